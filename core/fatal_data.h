// The one way an effect ends the program: data it cannot do without is missing or damaged.
#pragma once

namespace velmora {

// Prints "ERROR: <fileName> is missing or damaged\n" on standard error and ends the program with
// status -1. Never returns.
[[noreturn]] void exitForMissingData(const char* fileName);

}  // namespace velmora
