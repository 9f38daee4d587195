// Scene drawing on the offscreen context: group materials, the caller's matrices, broken scenes.
// Whole scenes (maps, lights, skins, hierarchy) are in the golden images (tests/golden).
#include <GL/gl.h>
#include <GL/glu.h>

#include <array>

#include "tests/scene/zen_samples.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using testing::placedAt;

const uint8_t kRed[3] = {255, 0, 0};

class SceneRender : public testing::GLTest {
protected:
    // Window position of a point given in eye coordinates under the fixture's projection.
    std::array<int, 2> screenOf(float x, float y, float z)
    {
        GLdouble model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        GLdouble projection[16];
        GLint viewport[4];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        GLdouble wx, wy, wz;
        gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
        return {static_cast<int>(wx), static_cast<int>(wy)};
    }
    std::array<uint8_t, 4> pixelAt(float x, float y, float z)
    {
        const auto at = screenOf(x, y, z);
        return pixel(at[0], at[1]);
    }
    // Loads and prepares the scene `w` wrote.
    static std::unique_ptr<Scene> prepared(const ZenWriter& w)
    {
        auto scene = testing::loadScene(w.bytes());
        scene->Prepare();
        return scene;
    }
    // Clears, then renders `scene` under the identity model-view matrix.
    static void draw(Scene& scene)
    {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.Render();
    }
    static void expectColour(const std::array<uint8_t, 4>& p, int r, int g, int b, const char* what)
    {
        EXPECT_NEAR(p[0], r, 3) << what;
        EXPECT_NEAR(p[1], g, 3) << what;
        EXPECT_NEAR(p[2], b, 3) << what;
    }
};

// One triangle with its right angle at (x, y), legs of `size`, facing +z.
void addTriangle(MeshGeometry& g, float x, float y, float size)
{
    const uint32_t base = static_cast<uint32_t>(g.positions.size());
    g.positions.insert(g.positions.end(), {{x, y, 0}, {x + size, y, 0}, {x, y + size, 0}});
    for (uint32_t i = 0; i < 3; ++i) {
        g.indices.push_back(base + i);
        g.coords.insert(g.coords.end(), {0.5f, 0.5f});
        g.normals.push_back({0, 0, 1});
        g.colours.insert(g.colours.end(), {255, 255, 255, 0});
    }
}

// Six triangles in a row, in three groups of two: each triangle, the first and last of a group
// included, takes its group's material.
TEST_F(SceneRender, GroupRangesDrawWithTheirMaterials)
{
    testing::TempDataDir data;
    ZenWriter w;
    const char* names[3] = {"red.tga", "green.tga", "blue.tga"};
    for (uint32_t i = 0; i < 3; ++i) {
        data.write(std::string("data/textures/") + names[i], testing::solidTga24(4, 4, i == 0 ? 255 : 0, i == 1 ? 255 : 0, i == 2 ? 255 : 0));
        w.texture(21 + i, "t", names[i], "");
        w.material(11 + i, "m", {1, 1, 1, 1}, {}, {}, {{21 + i, 1}});
    }
    MeshGeometry g;
    g.coordSetCount = 1;
    for (int t = 0; t < 6; ++t)
        addTriangle(g, -2.6f + 0.9f * t, -0.4f, 0.8f);
    g.groupLast = {1, 3, 5};
    g.groupMaterialIds = {11, 12, 13};
    w.mesh(30, "row", g);
    w.node(40, "holder", placedAt(0, 0, -5));
    w.hierarchy({{40, {30}}});
    auto scene = prepared(w);
    glClearColor(0, 0, 0, 0);
    draw(*scene);
    for (int t = 0; t < 6; ++t) {
        const int group = t / 2;
        expectColour(pixelAt(-2.45f + 0.9f * t, -0.25f, -5), group == 0 ? 255 : 0, group == 1 ? 255 : 0,
                     group == 2 ? 255 : 0, std::to_string(t).c_str());
    }
}

TEST_F(SceneRender, RenderLeavesTheCallersModelViewMatrix)
{
    ZenWriter w;
    w.light(1, "light", {1, 1, 1, 0});
    w.node(2, "a", placedAt(1, 0, 0));
    w.node(3, "b", placedAt(0, 1, 0));
    w.mesh(4, "m1", testing::quadGeometry(1, kRed));
    w.mesh(5, "m2", testing::quadGeometry(1, kRed));
    w.mesh(6, "loose", testing::quadGeometry(1, kRed));
    w.joint(7, "bone", {}, {}, {1, 1, 1}, {}, {});
    w.hierarchy({{2, {1, 4}}, {3, {5}}});
    w.skin(8, "skin", 5, {{{7, 1}}, {{7, 1}}, {{7, 1}}, {{7, 1}}});
    auto scene = prepared(w);
    scene->Update(0.1f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(30, 1, 2, 3);
    glTranslatef(1, -2, -9);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    scene->Render();
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(after[i], before[i]) << i;
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(SceneRender, EmptyOrBrokenSceneDrawsNothing)
{
    Scene scene;
    SceneLoader loader;
    const char garbage[] = "not a scene at all";
    EXPECT_EQ(loader.Load(SceneLoader::kFromMemory, garbage, sizeof garbage, &scene),
              SceneLoader::kBadMagic);
    scene.Prepare();
    scene.Update(1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.Render();
    expectColour(pixel(320, 240), 0, 0, 0, "nothing drawn");
    EXPECT_FLOAT_EQ(scene.time, 90.0f);
}

}  // namespace
}  // namespace velmora
