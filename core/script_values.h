// Conversions of script attribute text shared by the driver and every effect.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmora {

// ASCII-only, case-insensitive equality; how every name in scripts and the archive compares.
bool sameName(const char* a, const char* b);

// Copies `text` into a fixed-size name field, cut to the field's size less one and always
// terminated; null copies as empty. The one way fixed-size names are filled.
void copyName(char* field, size_t size, const char* text);
template <size_t N>
void copyName(char (&field)[N], const char* text)
{
    copyName(field, N, text);
}
template <size_t N>
void copyName(std::array<char, N>& field, const char* text)
{
    copyName(field.data(), N, text);
}

// Integer with the C library's atoi rules (leading blanks, optional sign, digits; none gives 0).
int scriptInt(const char* text);
// Float with atof rules; text that is no number gives 0.
float scriptFloat(const char* text);

struct Colour {
    float r = 0, g = 0, b = 0, a = 0;
};
// Hexadecimal "%x" text read as 0xAARRGGBB; each channel divided by 255. No digits gives 0.
Colour colourFromText(const char* text);

struct Vector3 {
    float x = 0, y = 0, z = 0;
};
// "%f,%f,%f"; components that are missing or unreadable stay 0.
Vector3 vectorFromText(const char* text);

// Blend factor codes 0..9 of the scripts; any other code means GL_ONE.
GLenum blendFactor(int code);

}  // namespace velmora
