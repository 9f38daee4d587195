// The player's own console lines on standard error.
#include "core/console.h"

#include <cstdarg>
#include <cstdio>

namespace velmora {

void printNote(const char* format, ...)
{
    std::fflush(stdout);
    std::fputs("velmora: ", stderr);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}

}  // namespace velmora
