// The release player's GL entry points: each gl* function forwards to the one of the context
// made current (libGL through SDL in a window, libOSMesa offscreen), looked up when it is made
// current. The player thus runs where no GL library was present when it was built.
#include "core/gl_runtime.h"

#include <type_traits>

#include "core/console.h"
#include "core/gl_functions.h"

namespace velmora {
namespace {

#define VELMORA_GL_POINTER(ret, name, params, args) ret(GLAPIENTRY* name##Forward) params = nullptr;
VELMORA_GL_FUNCTIONS(VELMORA_GL_POINTER)
#undef VELMORA_GL_POINTER

ProcLookup currentLookup = nullptr;

// What a function the context does not offer returns: nothing, zero, or for glGetString an
// empty text (GLU reads numbers out of it).
template <typename T>
T missingFunctionResult()
{
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<T>("");
    else
        return static_cast<T>(0);
}

}  // namespace

void useGLFunctionsFrom(ProcLookup lookup)
{
    if (lookup == currentLookup)
        return;
    currentLookup = lookup;
#define VELMORA_GL_LOOKUP(ret, name, params, args)                            \
    name##Forward = reinterpret_cast<decltype(name##Forward)>(lookup(#name)); \
    if (!name##Forward)                                                       \
        printNote("this OpenGL offers no %s", #name);
    VELMORA_GL_FUNCTIONS(VELMORA_GL_LOOKUP)
#undef VELMORA_GL_LOOKUP
}

}  // namespace velmora

extern "C" {
#define VELMORA_GL_DEFINE(ret, name, params, args)                                                           \
    ret GLAPIENTRY name params                                                                               \
    {                                                                                                        \
        return velmora::name##Forward ? velmora::name##Forward args : velmora::missingFunctionResult<ret>(); \
    }
VELMORA_GL_FUNCTIONS(VELMORA_GL_DEFINE)
#undef VELMORA_GL_DEFINE
}
