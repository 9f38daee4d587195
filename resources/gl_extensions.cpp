// Extension string test and the multitexture entry points fetched by name.
#include "resources/gl_extensions.h"

#include <cstdio>
#include <cstring>

namespace velmora {

PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;
PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB = nullptr;
PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB = nullptr;
PFNGLMULTITEXCOORD2FVARBPROC glMultiTexCoord2fvARB = nullptr;

bool hasExtension(const char* list, const char* name)
{
    if (!list || !name || !*name)
        return false;
    const size_t length = std::strlen(name);
    for (const char* entry = list; *entry;) {
        const char* end = std::strchr(entry, ' ');
        const size_t entryLength = end ? static_cast<size_t>(end - entry) : std::strlen(entry);
        if (entryLength == length && std::strncmp(entry, name, length) == 0)
            return true;
        if (!end)
            break;
        entry = end + 1;
    }
    return false;
}

void setupExtensions(ProcLookup lookup)
{
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));

    glActiveTextureARB = nullptr;
    glClientActiveTextureARB = nullptr;
    glMultiTexCoord2fARB = nullptr;
    glMultiTexCoord2fvARB = nullptr;
    if (hasExtension(list, "GL_ARB_multitexture")) {
        std::printf("adding Extension: GL_ARB_multitexture\n");
        glActiveTextureARB = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(lookup("glActiveTextureARB"));
        glClientActiveTextureARB =
            reinterpret_cast<PFNGLCLIENTACTIVETEXTUREARBPROC>(lookup("glClientActiveTextureARB"));
        glMultiTexCoord2fARB = reinterpret_cast<PFNGLMULTITEXCOORD2FARBPROC>(lookup("glMultiTexCoord2fARB"));
        glMultiTexCoord2fvARB = reinterpret_cast<PFNGLMULTITEXCOORD2FVARBPROC>(lookup("glMultiTexCoord2fvARB"));
    } else {
        std::printf("ERROR: GL_ARB_multitexture not supported.");
    }

    if (hasExtension(list, "GL_ARB_texture_env_add"))
        std::printf("adding Extension: GL_ARB_texture_env_add\n");
    else
        std::printf("ERROR: GL_ARB_texture_env_add not supported.");
}

}  // namespace velmora
