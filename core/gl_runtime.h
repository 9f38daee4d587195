// Where the GL functions come from. The normal build links the GL libraries; the release player
// links none and takes every function from the context made current (core/gl_runtime.cpp).
#pragma once

#include "resources/gl_extensions.h"

namespace velmora {

#ifdef VELMORA_GL_AT_RUN_TIME
// Takes every GL function the player calls from `lookup`, the current context's entry-point
// lookup. Called each time a context is made current; a function the lookup does not offer is
// named once on stderr and does nothing when called.
void useGLFunctionsFrom(ProcLookup lookup);
#else
inline void useGLFunctionsFrom(ProcLookup) {}
#endif

}  // namespace velmora
