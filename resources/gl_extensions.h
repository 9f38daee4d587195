// OpenGL extension checks and the process-wide multitexture entry points.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

namespace velmora {

// Null until a context with GL_ARB_multitexture has been set up. Inside namespace velmora these
// names hide the prototypes of the same name that GL/gl.h declares.
extern PFNGLACTIVETEXTUREARBPROC glActiveTextureARB;
extern PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB;
extern PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB;
extern PFNGLMULTITEXCOORD2FVARBPROC glMultiTexCoord2fvARB;

// True when some entry of the blank-separated `list` equals `name` exactly.
bool hasExtension(const char* list, const char* name);

using ProcLookup = void* (*)(const char* name);

// With the context current: prints "adding Extension: ..." or "ERROR: ... not supported." for
// GL_ARB_multitexture and GL_ARB_texture_env_add, and fetches the four multitexture entry points
// through `lookup` when the first is present (they are reset to null otherwise).
void setupExtensions(ProcLookup lookup);

}  // namespace velmora
