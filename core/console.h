// The player's own console lines (hints and warnings, beside the show's fixed lines on standard
// output): they go to standard error.
#pragma once

namespace velmora {

// Prints "velmora: " and the formatted text with a line break on standard error. Standard output
// is flushed first, so that a log of both streams shows each line whole and in order (the show's
// lines such as "Parsing Script [%s]" end their line only later).
#ifdef __MINGW32__
// The Windows build formats with MinGW's C99 printf, which GCC checks as gnu_printf.
[[gnu::format(gnu_printf, 1, 2)]]
#else
[[gnu::format(printf, 1, 2)]]
#endif
void printNote(const char* format, ...);

}  // namespace velmora
