// The shared linear congruential generator. Its state starts at 1.
#include "core/random.h"

namespace velmora {

namespace {
uint32_t state = 1;
}

void seedRandom(uint32_t seed) { state = seed; }

int nextRandom()
{
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

float randomSigned() { return nextRandom() / 32768.0f - 0.5f; }

float randomUnit() { return nextRandom() / 32768.0f; }

}  // namespace velmora
