// The `cubeeffect` skybox beyond its golden images: the camera mode keeps only the view's
// rotation, and failed faces stay untextured.
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
