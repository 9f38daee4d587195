// Texture and SceneTexture on an offscreen context: storage, ownership, the red-blue exchange and
// the failures. What textures look like when drawn is in the golden images (tests/golden).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resources/gl_objects.h"
#include "resources/scene_texture.h"
#include "resources/texture.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;

class TextureTest : public testing::GLTest {
protected:
    // The bound texture's level 0 as RGB bytes.
    Bytes levelPixels(int count)
    {
        Bytes rgb(size_t(count) * 3);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }

    GLint levelWidth()
    {
        GLint width = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        return width;
    }
};

using testing::tgaHeader;

// A 2 x 2 24-bit image, bottom row first: red, green / blue, white.
Bytes quadrantTga() { return testing::tgaFile(tgaHeader(2, 2), {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}); }

TEST_F(TextureTest, OtherDepthsGetANameButNoStorageAndShortUploadsAreIgnored)
{
    Texture grey;
    EXPECT_EQ(grey.create(4, 4, 8), 0);
    EXPECT_TRUE(grey.texture());
    EXPECT_FALSE(grey.hasStorage());
    grey.bind();
    EXPECT_EQ(levelWidth(), 0);
    const Bytes pixels(16, 0x7F);
    grey.upload(pixels.data(), pixels.size());  // no storage: nothing to replace
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    Texture colour;
    colour.create(2, 2, 24);
    colour.bind();
    EXPECT_EQ(levelWidth(), 2);
    const Bytes red = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255};
    colour.upload(red.data(), red.size());
    const Bytes shortGreen = {0, 255, 0};
    colour.upload(shortGreen.data(), shortGreen.size());
    EXPECT_EQ(levelPixels(1), (Bytes{255, 0, 0})) << "stored blue-green-red, ignoring the short upload";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The owners free their names exactly once: on reset, on destruction and when a moved-in
// owner replaces them; a moved-from owner frees nothing.
TEST_F(TextureTest, GlObjectOwnersDeleteTheirNamesOnResetDestructionAndReplacement)
{
    GLuint first = 0;
    {
        GlTexture a = GlTexture::generate();
        a.bind();  // a generated name becomes a texture object when first bound
        first = a.name();
        GlTexture b = std::move(a);
        EXPECT_FALSE(a);
        EXPECT_EQ(b.name(), first);
        GlTexture c = GlTexture::generate();
        c.bind();
        const GLuint second = c.name();
        b = std::move(c);
        EXPECT_FALSE(glIsTexture(first)) << "replaced by assignment";
        EXPECT_TRUE(glIsTexture(second));
        first = second;
    }
    EXPECT_FALSE(glIsTexture(first)) << "deleted by the destructor";

    Texture texture;
    texture.create(2, 2, 24);
    const GLuint name = texture.texture().name();
    Texture moved = std::move(texture);
    EXPECT_FALSE(texture.texture());
    moved.reset();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(moved.width(), 0);

    DisplayLists glyphs = DisplayLists::generate(3);
    ASSERT_EQ(glyphs.count(), 3);
    glyphs.compile(2, [] { glClearColor(0, 1, 0, 0); });
    glyphs.compile(3, [] { glClearColor(1, 0, 0, 0); });  // out of range: not recorded
    glClearColor(0, 0, 0, 0);
    glyphs.call(2);
    glyphs.call(3);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[1], 1.0f);
    EXPECT_EQ(clear[0], 0.0f);
    const GLuint list = glyphs.name(2);
    DisplayLists lists = std::move(glyphs);
    EXPECT_FALSE(glyphs);
    EXPECT_TRUE(glIsList(list));
    lists.reset();
    EXPECT_FALSE(lists);
    EXPECT_FALSE(glIsList(list));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, SceneTextureExchangesRedAndBlueAndSetsTheAlphaTestByName)
{
    testing::TempDataDir dir;
    dir.write("data/textures/quad.tga", quadrantTga());
    SceneTexture texture("quad.tga");
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(texture.load(), 1);
    const std::string out = ::testing::internal::GetCapturedStdout();
    const auto loading = out.find("Loading Texture... quad.tga\n");
    ASSERT_NE(loading, std::string::npos) << out;
    EXPECT_NE(out.find("Loaded Texture : quad.tga\n", loading), std::string::npos) << out;
    EXPECT_EQ(out.find("not found"), std::string::npos);
    EXPECT_EQ(texture.bytesPerPixel(), 3);
    EXPECT_EQ(Bytes(texture.pixels(), texture.pixels() + 12), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    texture.create();
    texture.bind();
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));

    // A name starting with "alpha" (in lower case only) switches the alpha test on when bound;
    // binding loads and creates on first use.
    dir.write("data/textures/alphaleaf.tga", testing::solidTga24(2, 2, 1, 2, 3));
    dir.write("data/textures/Alphaleaf.tga", testing::solidTga24(2, 2, 1, 2, 3));
    SceneTexture lower("alphaleaf.tga");
    lower.bind();
    EXPECT_NE(lower.texture().name(), 0u);
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    GLint func = 0;
    GLfloat ref = 0;
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
    glGetFloatv(GL_ALPHA_TEST_REF, &ref);
    EXPECT_EQ(func, GL_GREATER);
    EXPECT_FLOAT_EQ(ref, 0.5f);
    SceneTexture upper("Alphaleaf.tga");
    upper.bind();
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));

    // 16 bits: no exchange within the two bytes; the texture gets a name but no image.
    dir.write("data/textures/s16.tga", testing::tgaFile(tgaHeader(2, 1, 2, 16), {1, 2, 3, 4}));
    SceneTexture s16("s16.tga");
    ASSERT_EQ(s16.load(), 1);
    EXPECT_EQ(Bytes(s16.pixels(), s16.pixels() + 4), (Bytes{1, 2, 3, 4}));
    s16.create();
    EXPECT_NE(s16.texture().name(), 0u);
    EXPECT_EQ(levelWidth(), 0);
}

TEST_F(TextureTest, SceneTextureFailuresAreMarkedLoadedAndStayUnbound)
{
    testing::TempDataDir dir;
    testing::TgaHeader withId = tgaHeader(1, 1);
    withId.idLength = 1;
    Bytes shortFile = testing::solidTga24(8, 8, 1, 1, 1);
    shortFile.resize(shortFile.size() - 1);
    const std::vector<std::pair<std::string, Bytes>> bad = {
        {"rle.tga", testing::tgaFile(tgaHeader(1, 1, 10), {0x80, 1, 2, 3})},
        {"id.tga", testing::tgaFile(withId, {'x', 1, 2, 3})},
        {"tiny.tga", Bytes(17, 0)},
        {"short.tga", shortFile},
    };
    for (const auto& [name, bytes] : bad) {
        dir.write("data/textures/" + name, bytes);
        SceneTexture texture(name.c_str());
        EXPECT_EQ(texture.load(), 0) << name;
        EXPECT_TRUE(texture.loaded());
        texture.bind();  // already loaded: not tried again, nothing to bind
        EXPECT_EQ(texture.texture().name(), 0u) << name;
        EXPECT_EQ(texture.pixels(), nullptr);
    }
    SceneTexture missing("nothere.tga");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(missing.load(), 0);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Loading Texture... nothere.tga\n"), std::string::npos) << out;
    EXPECT_NE(out.find("not found\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace velmora
