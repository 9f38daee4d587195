// The `particlebox` effect beyond its golden images: motion and wrapping, respawning, the safe
// handling of absent storage and of counts changed after load, and the camera mode.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "core/random.h"
#include "effects/particlebox.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

void configure(ParticleBox& box, testing::AttributeList attributes)
{
    box.handleElement(testing::element("box", attributes).get());
}

TEST(ParticleBox, ParticlesMoveAndWrapAtTheFacesButStayExactlyOnThem)
{
    ParticleBox box;
    configure(box, {{"number", "4"}, {"dim", "10,10,10"}});
    box.load();
    box.velocities.assign(12, 0.0f);
    const std::vector<float> start = {5, -5, 0, 5.5f, -6, 0, 4.9f, 0, 0, 0, 0, 0};
    box.positions = start;
    box.velocities[6] = 1;  // third particle moves +x by 1 per unit
    box.velocities[10] = 0.5f;
    box.update(1);
    EXPECT_EQ(box.positions[0], 5.0f);  // exactly on a face: stays
    EXPECT_EQ(box.positions[1], -5.0f);
    EXPECT_EQ(box.positions[3], -5.0f);  // past +x: to -x
    EXPECT_EQ(box.positions[4], 5.0f);   // past -y: to +y
    EXPECT_EQ(box.positions[6], -5.0f);  // 5.9 wraps
    EXPECT_FLOAT_EQ(box.positions[10], 0.5f);
}

TEST(ParticleBox, RespawnOnlyWhenLifespanWasGiven)
{
    ParticleBox still;
    configure(still, {{"number", "2"}, {"spawndim", "4,4,4"}});
    still.load();
    const auto positions = still.positions;
    still.update(50000);  // lifetimes run far below zero
    EXPECT_LT(still.lifetimes[0], 0);
    EXPECT_EQ(still.positions, positions);

    ParticleBox living;
    configure(living, {{"number", "2"}, {"spawndim", "4,4,4"}, {"lifespan", "10"}});
    living.load();
    living.lifetimes = {0.5f, 5};
    const float kept = living.positions[3];
    living.update(1);
    EXPECT_GE(living.lifetimes[0], 0);  // respawned with a fresh lifetime below 10
    EXPECT_LT(living.lifetimes[0], 10);
    EXPECT_FLOAT_EQ(living.lifetimes[1], 4);
    EXPECT_EQ(living.positions[3], kept);
}

TEST(ParticleBox, LifespanZeroBehavesAsOne)
{
    ParticleBox box;
    configure(box, {{"number", "3"}, {"lifespan", "0"}});
    box.load();  // would divide by zero
    for (float life : box.lifetimes)
        EXPECT_EQ(life, 0.0f);
    box.update(1);
    for (float life : box.lifetimes)
        EXPECT_EQ(life, 0.0f);
}

TEST(ParticleBox, CountChangedAfterLoadWaitsForTheNextLoad)
{
    ParticleBox box;
    configure(box, {{"number", "2"}});
    box.load();
    configure(box, {{"number", "500"}});
    box.update(1);
    EXPECT_EQ(box.storedCount(), 2u);
    EXPECT_EQ(box.positions.size(), 6u);
    box.handleElement([] {
        auto node = testing::element("box");
        testing::addChild(*node, "random");
        testing::addChild(*node, "origin");
        return node;
    }()
                          .get());
    EXPECT_EQ(box.positions.size(), 6u);
    box.load();
    EXPECT_EQ(box.storedCount(), 500u);
    EXPECT_EQ(box.lifetimes.size(), 500u);
    box.unload();
    EXPECT_EQ(box.storedCount(), 0u);
    EXPECT_TRUE(box.positions.empty());
    EXPECT_EQ(box.number, 500u);
}

class ParticleboxGL : public testing::GLTest {
protected:
    testing::TempDataDir dir;
};

TEST_F(ParticleboxGL, ImageThatCannotBeLoadedLeavesNoStorageAndNothingTouchesIt)
{
    ParticleBox box;
    configure(box, {{"number", "10"}, {"texture", "absent.tga"}});
    box.load();
    EXPECT_EQ(box.storedCount(), 0u);
    EXPECT_TRUE(box.positions.empty());
    box.update(1);
    box.handleElement([] {
        auto node = testing::element("box");
        testing::addChild(*node, "random");
        testing::addChild(*node, "origin");
        return node;
    }()
                          .get());
    box.render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(pixel(320, 240)[0], 0);
}

TEST_F(ParticleboxGL, CameraKeepsTheCurrentViewAndTheTransformStaysOnTheMatrix)
{
    ParticleBox box;
    configure(box, {{"number", "1"}, {"spawndim", "0,0,0"}, {"camera", "1"}});
    box.load();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -5);
    box.render();
    EXPECT_EQ(pixel(320, 240)[0], 255);

    glClear(GL_COLOR_BUFFER_BIT);
    configure(box, {{"camera", "0"}, {"tra", "1,2,3"}});
    glTranslatef(0, 0, -5);
    box.render();  // identity view: the sprite sits behind the near plane
    EXPECT_EQ(pixel(320, 240)[0], 0);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 1);
    EXPECT_FLOAT_EQ(m[13], 2);
    EXPECT_FLOAT_EQ(m[14], 3);
}

}  // namespace
}  // namespace velmora
