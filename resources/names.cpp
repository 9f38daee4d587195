// Case-insensitive name comparison.
#include "resources/names.h"

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

}  // namespace velmora
