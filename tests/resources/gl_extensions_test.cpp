// Extension lookup in the driver's space-separated list: only whole entries count.
#include <gtest/gtest.h>

#include "resources/gl_extensions.h"

namespace velmora {

TEST(GLExtensions, NameMustMatchAWholeEntry)
{
    EXPECT_TRUE(hasExtension("GL_A GL_ARB_multitexture GL_B", "GL_ARB_multitexture"));
    EXPECT_TRUE(hasExtension("GL_ARB_multitexture", "GL_ARB_multitexture"));
    EXPECT_FALSE(hasExtension("GL_ARB_multitexture_more GL_B", "GL_ARB_multitexture"));
    EXPECT_FALSE(hasExtension("GL_XARB_multitexture", "ARB_multitexture"));
    EXPECT_FALSE(hasExtension("", "GL_A"));
}

}  // namespace velmora
