// How names compare everywhere in the show: scripts, effect types, scene objects.
#pragma once

namespace velmora {

// ASCII-only, case-insensitive equality of two zero-terminated names (neither may be null).
bool sameName(const char* a, const char* b);

}  // namespace velmora
