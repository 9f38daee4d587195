// The program's one random generator. Several effects seed it and rely on its exact sequence,
// and one effect reseeds it every frame, which fixes what the effects drawn after it see.
#pragma once

#include <cstdint>

namespace velmora {

void seedRandom(uint32_t seed);
// state = state * 214013 + 2531011 (mod 2^32); returns bits 16..30 of the new state (0..32767).
int nextRandom();
// nextRandom() / 32768 - 0.5, in [-0.5, 0.5).
float randomSigned();
// nextRandom() / 32768, in [0, 1).
float randomUnit();

}  // namespace velmora
