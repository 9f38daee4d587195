// Ending the program for missing data.
#include "core/fatal_data.h"

#include <cstdio>
#include <cstdlib>

namespace velmora {

void exitForMissingData(const char* fileName)
{
    std::fflush(stdout);
    std::fprintf(stderr, "ERROR: %s is missing or damaged\n", fileName);
    std::exit(-1);
}

}  // namespace velmora
