// Attribute text conversions: integers, floats, colours, vectors and blend factor codes.
#include "core/script_values.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velmora {

namespace {
char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool sameName(const char* a, const char* b)
{
    while (*a && upperAscii(*a) == upperAscii(*b)) {
        ++a;
        ++b;
    }
    return upperAscii(*a) == upperAscii(*b);
}

void copyName(char* field, size_t size, const char* text)
{
    std::strncpy(field, text ? text : "", size - 1);
    field[size - 1] = '\0';
}

int scriptInt(const char* text) { return std::atoi(text); }

float scriptFloat(const char* text) { return static_cast<float>(std::atof(text)); }

Colour colourFromText(const char* text)
{
    unsigned int argb = 0;
    std::sscanf(text, "%x", &argb);
    return Colour{((argb >> 16) & 0xFF) / 255.0f,
                  ((argb >> 8) & 0xFF) / 255.0f,
                  (argb & 0xFF) / 255.0f,
                  ((argb >> 24) & 0xFF) / 255.0f};
}

Vector3 vectorFromText(const char* text)
{
    Vector3 v;
    std::sscanf(text, "%f,%f,%f", &v.x, &v.y, &v.z);
    return v;
}

GLenum blendFactor(int code)
{
    static constexpr GLenum factors[] = {
        GL_ZERO,
        GL_ONE,
        GL_SRC_COLOR,
        GL_ONE_MINUS_SRC_COLOR,
        GL_SRC_ALPHA,
        GL_ONE_MINUS_SRC_ALPHA,
        GL_DST_ALPHA,
        GL_ONE_MINUS_DST_ALPHA,
        GL_DST_COLOR,
        GL_ONE_MINUS_DST_COLOR,
    };
    return (code >= 0 && code <= 9) ? factors[code] : GL_ONE;
}

}  // namespace velmora
