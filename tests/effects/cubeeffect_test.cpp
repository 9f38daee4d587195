// The `cubeeffect` skybox: every face lands where it belongs, the texture runs the right way, the
// box turns on its own clock or follows the current view, and failed faces stay untextured.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <string>
#include <vector>

#include "effects/cubeeffect.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using Rgb = std::array<int, 3>;

// Face colours in the order front, back, top, bottom, left, right.
const Rgb kFaceColours[6] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {255, 0, 255}, {0, 255, 255}};
const char* const kFaceFiles[6] = {"front.tga", "back.tga", "top.tga", "bot.tga", "left.tga", "right.tga"};

class CubeeffectTest : public testing::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        for (int face = 0; face < 6; ++face)
            dir.write(std::string("data/textures/") + kFaceFiles[face],
                      testing::solidTga24(4, 4, kFaceColours[face][0], kFaceColours[face][1], kFaceColours[face][2]));
    }

    void configureAllFaces(CubeEffect& cube)
    {
        cube.handleElement(testing::element("sky", {{"file_front", "front.tga"},
                                                    {"file_back", "back.tga"},
                                                    {"file_top", "top.tga"},
                                                    {"file_bot", "bot.tga"},
                                                    {"file_left", "left.tga"},
                                                    {"file_right", "right.tga"},
                                                    {"camera", "1"}})
                               .get());
    }

    Rgb centre()
    {
        const auto p = pixel(320, 240);
        return {p[0], p[1], p[2]};
    }

    testing::TempDataDir dir;
};

TEST_F(CubeeffectTest, EachFaceLiesInItsDirection)
{
    CubeEffect cube;
    configureAllFaces(cube);
    cube.load();
    struct View {
        float angle, x, y;  // rotation of the modelview that looks in the direction
        int face;
    } views[] = {
        {180, 0, 1, 0},   // +z: front
        {0, 0, 1, 1},     // -z: back
        {-90, 1, 0, 2},   // +y: top
        {90, 1, 0, 3},    // -y: bottom
        {-90, 0, 1, 4},   // -x: left
        {90, 0, 1, 5},    // +x: right
    };
    for (const View& view : views) {
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(view.angle, view.x, view.y, 0);
        cube.render();
        EXPECT_EQ(centre(), kFaceColours[view.face]) << kFaceFiles[view.face];
    }
}

TEST_F(CubeeffectTest, FrontTextureRunsAcrossTheFaceAsMapped)
{
    // 4 x 4 in quarters, bottom rows first: red, green / blue, white.
    testing::TgaHeader h;
    h.width = 4;
    h.height = 4;
    std::vector<uint8_t> body;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool right = x >= 2, top = y >= 2;
            const uint8_t red = !top ? (right ? 0 : 255) : (right ? 255 : 0);
            const uint8_t green = !top ? (right ? 255 : 0) : (right ? 255 : 0);
            const uint8_t blue = top ? 255 : 0;
            body.insert(body.end(), {blue, green, red});
        }
    dir.write("data/textures/quad.tga", testing::tgaFile(h, body));
    CubeEffect cube;
    cube.handleElement(testing::element("sky", {{"file_front", "quad.tga"}, {"camera", "1"}}).get());
    cube.load();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(180, 0, 1, 0);  // look at +z; world +x is on the left
    cube.render();
    // Texture s = 0 lies at world x = +1 and t = 1 at world y = +1.
    EXPECT_EQ(pixel(60, 450)[2], 255) << "upper left shows the top-left texel (blue)";
    EXPECT_EQ(pixel(580, 450)[1], 255) << "upper right shows the top-right texel (white)";
    EXPECT_EQ(pixel(580, 450)[0], 255);
    EXPECT_EQ(pixel(60, 30)[0], 255) << "lower left shows the bottom-left texel (red)";
    EXPECT_EQ(pixel(60, 30)[1], 0);
    EXPECT_EQ(pixel(580, 30)[1], 255) << "lower right shows the bottom-right texel (green)";
    EXPECT_EQ(pixel(580, 30)[0], 0);
}

TEST_F(CubeeffectTest, OwnClockTurnsOnceIn3600Units)
{
    CubeEffect cube;
    configureAllFaces(cube);
    cube.handleElement(testing::element("sky", {{"camera", "0"}}).get());
    cube.load();
    cube.render();
    const Rgb start = centre();
    EXPECT_EQ(start, kFaceColours[1]) << "looking down -z at the back face";
    cube.update(1800);
    cube.render();
    EXPECT_EQ(centre(), kFaceColours[0]) << "half a turn later: the front face";
    cube.speed = 0.5f;
    cube.update(3600);
    cube.render();
    EXPECT_EQ(centre(), start);
}

TEST_F(CubeeffectTest, CameraKeepsTheRotationAndDropsTheTranslation)
{
    CubeEffect cube;
    configureAllFaces(cube);
    cube.load();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 0, 1, 0);
    glTranslatef(30, -7, 12);
    cube.render();
    EXPECT_EQ(centre(), kFaceColours[5]);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 0);
    EXPECT_EQ(m[13], 0);
    EXPECT_EQ(m[14], 0);
    EXPECT_NEAR(m[8], 1, 1e-6f) << "the rotation stays on the matrix for later effects";
}

TEST_F(CubeeffectTest, SkyboxWritesNoDepthAndRestoresDepthState)
{
    CubeEffect cube;
    configureAllFaces(cube);
    cube.load();
    cube.render();
    GLfloat depth = 0;
    glReadPixels(320, 240, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean writes = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &writes);
    EXPECT_TRUE(writes);
}

TEST_F(CubeeffectTest, NoNamesDrawWhiteAndAFailedFaceStopsTheLoad)
{
    CubeEffect blank;
    blank.load();
    blank.render();
    EXPECT_EQ(centre(), (Rgb{255, 255, 255}));

    CubeEffect partial;
    configureAllFaces(partial);
    partial.handleElement(testing::element("sky", {{"file_back", "absent.tga"}}).get());
    partial.load();
    EXPECT_TRUE(partial.hasTexture(CubeEffect::Front));
    EXPECT_FALSE(partial.hasTexture(CubeEffect::Back));
    EXPECT_FALSE(partial.hasTexture(CubeEffect::Top)) << "faces after the failure are not loaded";
    EXPECT_FALSE(partial.hasTexture(CubeEffect::Right));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    partial.render();
    EXPECT_EQ(centre(), (Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace velmora
