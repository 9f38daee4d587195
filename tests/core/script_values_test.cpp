// Attribute text conversions shared by every effect.
#include <gtest/gtest.h>

#include "core/script_values.h"
#include "resources/gl_extensions.h"

namespace velmora {

TEST(ScriptValues, ColourVectorAndBlendCodes)
{
    const Colour c = colourFromText("80ff0040");
    EXPECT_FLOAT_EQ(c.a, 128 / 255.0f);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_FLOAT_EQ(c.g, 0.0f);
    EXPECT_FLOAT_EQ(c.b, 64 / 255.0f);
    EXPECT_FLOAT_EQ(colourFromText("").r, 0.0f);

    const Vector3 v = vectorFromText("1.5,-2");
    EXPECT_FLOAT_EQ(v.x, 1.5f);
    EXPECT_FLOAT_EQ(v.y, -2.0f);
    EXPECT_FLOAT_EQ(v.z, 0.0f);

    EXPECT_EQ(blendFactor(0), static_cast<GLenum>(GL_ZERO));
    EXPECT_EQ(blendFactor(5), static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_EQ(blendFactor(9), static_cast<GLenum>(GL_ONE_MINUS_DST_COLOR));
    EXPECT_EQ(blendFactor(10), static_cast<GLenum>(GL_ONE));
    EXPECT_EQ(blendFactor(-1), static_cast<GLenum>(GL_ONE));

    EXPECT_EQ(scriptInt("  -12abc"), -12);
    EXPECT_EQ(scriptInt("x"), 0);
    EXPECT_TRUE(sameName("DrawOrder", "draworder"));
    EXPECT_FALSE(sameName("draworder", "draworders"));
}

TEST(GLExtensions, NameMustMatchAWholeEntry)
{
    EXPECT_TRUE(hasExtension("GL_A GL_ARB_multitexture GL_B", "GL_ARB_multitexture"));
    EXPECT_TRUE(hasExtension("GL_ARB_multitexture", "GL_ARB_multitexture"));
    EXPECT_FALSE(hasExtension("GL_ARB_multitexture_more GL_B", "GL_ARB_multitexture"));
    EXPECT_FALSE(hasExtension("GL_XARB_multitexture", "ARB_multitexture"));
    EXPECT_FALSE(hasExtension("", "GL_A"));
}

}  // namespace velmora
