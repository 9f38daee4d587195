// The scene playback effects beyond their golden images: time driving, loops, camera choice and
// fallbacks, a missing scene.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <string>

#include "effects/3dscene.h"
#include "effects/coglogo.h"
#include "effects/stairs.h"
#include "tests/scene/zen_samples.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using testing::element;
using testing::placedAt;

// A small quad at the origin in a lit material, `cameras` cameras named cam0, cam1, ... each
// under its own node placed at `cameraPositions[i]` (or at (0, 0, 5) when not given), and a
// track moving the quad along x by 0.01 per frame from frame 0 to 1000.
std::vector<uint8_t> quadScene(int cameras, std::vector<Vec3f> cameraPositions = {})
{
    ZenWriter w;
    w.info();
    w.material(1, "plain", {1, 1, 1, 1}, {}, {}, {});
    const uint8_t red[3] = {255, 0, 0};
    w.mesh(2, "quad", testing::quadGeometry(0.5f, red, 1));
    w.node(3, "holder", placedAt(0, 0, 0));
    std::vector<ZenHierarchyGroup> groups{{3, {2}}};
    for (int i = 0; i < cameras; ++i) {
        const uint32_t cameraId = 100 + i, nodeId = 200 + i;
        w.camera(cameraId, "cam" + std::to_string(i), 0.95f);
        const Vec3f at = i < static_cast<int>(cameraPositions.size()) ? cameraPositions[i]
                                                                      : Vec3f{0, 0, 5};
        w.node(nodeId, "camnode" + std::to_string(i), placedAt(at.x, at.y, at.z));
        groups.push_back({nodeId, {cameraId}});
    }
    w.track(4, "slide", 0, 0, {{0, 0, 2, 2}, {1000, 10, 2, 2}});
    w.binding({{4, 3, kChannelPositionX}});
    w.hierarchy(groups);
    return w.bytes();
}

class SceneEffects : public testing::GLTest {
protected:
    bool litAt(float x, float y, float z)
    {
        GLdouble model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        GLdouble projection[16];
        GLint viewport[4] = {0, 0, kWidth, kHeight};
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        GLdouble wx, wy, wz;
        gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
        const int px = static_cast<int>(wx), py = static_cast<int>(wy);
        EXPECT_TRUE(px >= 0 && px < kWidth && py >= 0 && py < kHeight) << x << "," << y << "," << z;
        if (px < 0 || px >= kWidth || py < 0 || py >= kHeight)
            return false;
        const auto p = pixel(px, py);
        return p[0] + p[1] + p[2] > 100;
    }
    // Clears to black, then renders `effect`.
    void drawOnBlack(Effect& effect)
    {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        effect.render();
    }
    testing::TempDataDir data;
};

// 0.3 frames per hundredth at speed 1; the frame reaching `loopframe` is drawn, then time starts
// again from 0. The quad's x tells the frame.
TEST_F(SceneEffects, ThreeDSceneLoopsAtLoopFrameAfterDrawingIt)
{
    data.write("data/scenes/loop.zen", quadScene(0));
    ThreeDScene effect;
    effect.handleElement(element("s", {{"filename", "loop.zen"}, {"loopframe", "400"}, {"frame", "399"}}).get());
    effect.load();
    effect.update(100);
    drawOnBlack(effect);
    EXPECT_TRUE(litAt(4.29f, 0, -10)) << "frame 429 drawn";
    effect.handleElement(element("s", {{"speed", "2"}}).get());
    effect.update(50);
    drawOnBlack(effect);
    EXPECT_TRUE(litAt(-0.1f, 0, -10)) << "frame 30, counted from 0";
    EXPECT_FALSE(litAt(4.29f, 0, -10));
}

TEST_F(SceneEffects, ThreeDSceneViewComesFromTheNamedCamerasNode)
{
    data.write("data/scenes/cams.zen", quadScene(2, {{0, 0, 5}, {1.5f, 0, 5}}));
    ThreeDScene effect;
    effect.handleElement(element("s", {{"filename", "cams.zen"}}).get());
    effect.load();

    drawOnBlack(effect);
    EXPECT_TRUE(litAt(0, 0, -10)) << "fixed view 10 units back";

    effect.handleElement(element("s", {{"camera", "CAM1"}}).get());
    drawOnBlack(effect);
    EXPECT_FALSE(litAt(0, 0, -5));
    EXPECT_TRUE(litAt(-1.5f, 0, -5));
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);  // the view stays for the effects drawn after
    EXPECT_FLOAT_EQ(m[12], -1.5f);
    EXPECT_FLOAT_EQ(m[14], -5.0f);

    // Unknown names and objects that are not cameras keep the choice.
    effect.handleElement(element("s", {{"camera", "nobody"}}).get());
    effect.handleElement(element("s", {{"camera", "camnode0"}}).get());
    drawOnBlack(effect);
    EXPECT_TRUE(litAt(-1.5f, 0, -5));

    // Hidden: nothing drawn, time still runs (the quad moves to x = 3).
    effect.handleElement(element("s", {{"visible", "0"}}).get());
    drawOnBlack(effect);
    EXPECT_FALSE(litAt(-1.5f, 0, -5));
    effect.update(1000);
    effect.handleElement(element("s", {{"visible", "1"}}).get());
    drawOnBlack(effect);
    EXPECT_TRUE(litAt(1.5f, 0, -5));
}

TEST_F(SceneEffects, ThreeDSceneInitReloadsAndLooksTheCameraUpAgain)
{
    data.write("data/scenes/first.zen", quadScene(2, {{0, 0, 5}, {3, 0, 5}}));
    data.write("data/scenes/second.zen", quadScene(3, {{0, 0, 5}, {-2, 0, 5}, {0, 0, 9}}));
    data.write("data/scenes/third.zen", quadScene(1));
    ThreeDScene effect;
    effect.handleElement(element("s", {{"filename", "first.zen"}}).get());
    effect.load();
    effect.handleElement(element("s", {{"camera", "cam1"}}).get());

    auto reload = element("s", {{"filename", "second.zen"}});
    testing::addChild(*reload, "init");
    effect.handleElement(reload.get());
    drawOnBlack(effect);
    EXPECT_TRUE(litAt(2, 0, -5));

    auto third = element("s", {{"filename", "third.zen"}});
    testing::addChild(*third, "init");
    effect.handleElement(third.get());
    drawOnBlack(effect);  // no cam1 there: back to the fixed view
    EXPECT_TRUE(litAt(0, 0, -10));
}

// Each set piece's own camera is in the golden images; here what it draws without that camera or
// without its scene.
TEST_F(SceneEffects, FixedEffectsWithoutTheirCameraOrSceneDrawNothing)
{
    // Stairs looks through the seventh camera. With six, the scene is drawn under the identity,
    // where z = 0 is behind the near plane, so nothing shows; the view is left as the identity.
    data.write("data/scenes/stairs.zen", quadScene(6));
    Stairs stairs;
    stairs.load();
    drawOnBlack(stairs);
    EXPECT_FALSE(litAt(0, 0, -5));
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;

    CogLogo cog;  // no cog.zen
    cog.load();
    cog.update(50);
    drawOnBlack(cog);
    EXPECT_FALSE(litAt(0, 0, -5));
    cog.unload();
    cog.update(1);
    drawOnBlack(cog);
    EXPECT_FALSE(litAt(0, 0, -5));
}

}  // namespace
}  // namespace velmora
