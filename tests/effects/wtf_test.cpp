// The `wtf` vortex warp beyond its golden images: an unloaded or untextured effect is safe.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <string>

#include "effects/wtf.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

constexpr float kPi = 3.14159265f;

void nameLayers(Wtf& wtf, const char* a, const char* b, const char* c, const char* d)
{
    wtf.handleElement(testing::element("w", {{"file1", a}, {"file2", b}, {"file3", c}, {"file4", d}}).get());
}

class WtfTest : public testing::GLTest {
protected:
    void writeSolid(const char* name, uint8_t r, uint8_t g, uint8_t b)
    {
        dir.write(std::string("data/textures/") + name, testing::solidTga24(8, 8, r, g, b));
    }
    testing::TempDataDir dir;
};

TEST_F(WtfTest, UnloadedOrUntexturedEffectIsSafe)
{
    Wtf never;
    never.render();  // no arrays: nothing drawn
    EXPECT_EQ(pixel(320, 240)[0], 0);

    writeSolid("white.tga", 255, 255, 255);
    Wtf wtf;
    nameLayers(wtf, "white.tga", "absent.tga", "", "white.tga");
    wtf.load();
    EXPECT_NE(wtf.textures[0].name, 0u);
    EXPECT_EQ(wtf.textures[1].name, 0u);
    EXPECT_EQ(wtf.textures[2].name, 0u);
    wtf.render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const GLuint name = wtf.textures[0].name;
    wtf.unload();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_TRUE(wtf.gridS.empty());
    wtf.render();
}

}  // namespace
}  // namespace velmora
