// The `particlebox` effect: the order of random draws, motion and wrapping, respawning, the
// safe handling of absent storage and of counts changed after load, and the drawn sprites.
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

TEST(ParticleboxSettings, AttributesConvertAsTheScriptsExpect)
{
    ParticleBox box;
    EXPECT_FALSE(box.respawn);
    configure(box, {{"rot", "45,45,45"},
                    {"rotinc", "1,2,3"},
                    {"src", "9"},
                    {"dst", "3"},
                    {"color", "ffddeeff"},
                    {"camera", "2"},
                    {"depth", "0"},
                    {"lifespan", "20000"},
                    {"number", "-5"}});
    for (float angle : box.rot)
        EXPECT_NEAR(angle, 0.785f, 1e-3f);  // 45 x 3.14 / 180
    EXPECT_EQ(box.src, static_cast<GLenum>(GL_ONE_MINUS_DST_COLOR));
    EXPECT_EQ(box.dst, static_cast<GLenum>(GL_ONE_MINUS_SRC_COLOR));
    EXPECT_NEAR(box.color[0], 0xdd / 255.0f, 1e-6f);
    EXPECT_NEAR(box.color[1], 0xee / 255.0f, 1e-6f);
    EXPECT_NEAR(box.color[2], 1.0f, 1e-6f);
    EXPECT_TRUE(box.camera);
    EXPECT_FALSE(box.depth);
    EXPECT_TRUE(box.respawn) << "giving lifespan, even the default, turns respawning on";
    EXPECT_EQ(box.number, 0u) << "a negative count is no count";

    configure(box, {{"src", "10"}, {"dst", "-1"}, {"number", "99999999"}});
    EXPECT_EQ(box.src, static_cast<GLenum>(GL_ONE));
    EXPECT_EQ(box.dst, static_cast<GLenum>(GL_ONE));
    EXPECT_EQ(box.number, ParticleBox::kMaxParticles);

    box.update(1);  // rotinc is added without conversion
    EXPECT_NEAR(box.rot[0], 0.785f + 1, 1e-3f);
    EXPECT_NEAR(box.rot[2], 0.785f + 3, 1e-3f);
}

TEST(ParticleBox, RandomiseDrawsPositionsVelocitiesThenLifetimePerParticle)
{
    ParticleBox box;
    configure(box, {{"number", "3"},
                    {"spawndim", "2,4,6"},
                    {"dirmin", "1,1,1"},
                    {"dirmax", "3,5,7"},
                    {"lifespan", "100"}});
    seedRandom(5);
    box.load();
    ASSERT_EQ(box.storedCount(), 3u);
    seedRandom(5);
    for (int i = 0; i < 3; ++i) {
        const float px = randomSigned() * 2, py = randomSigned() * 4, pz = randomSigned() * 6;
        const float vx = randomUnit() * 2 + 1, vy = randomUnit() * 4 + 1, vz = randomUnit() * 6 + 1;
        const float life = static_cast<float>(nextRandom() % 100);
        EXPECT_EQ(box.positions[i * 3], px);
        EXPECT_EQ(box.positions[i * 3 + 1], py);
        EXPECT_EQ(box.positions[i * 3 + 2], pz);
        EXPECT_EQ(box.velocities[i * 3], vx);
        EXPECT_EQ(box.velocities[i * 3 + 1], vy);
        EXPECT_EQ(box.velocities[i * 3 + 2], vz);
        EXPECT_EQ(box.lifetimes[i], life);
    }
    box.handleElement([] {
        auto node = testing::element("box");
        testing::addChild(*node, "origin");
        return node;
    }()
                          .get());
    for (float v : box.positions)
        EXPECT_EQ(v, 0.0f);
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

TEST(ParticleBox, TheWholeCloudTurnsAndDrifts)
{
    ParticleBox box;
    configure(box, {{"number", "1"}, {"dim", "100,100,100"}, {"prot", "0,0,1.5707964"}, {"pdir", "1,2,3"}});
    box.load();
    box.velocities.assign(3, 0.0f);
    box.positions = {1, 0, 0};
    box.update(1);  // a quarter turn about z, then the drift
    EXPECT_NEAR(box.positions[0], 1, 1e-5f);
    EXPECT_NEAR(box.positions[1], 3, 1e-5f);
    EXPECT_NEAR(box.positions[2], 3, 1e-5f);
    EXPECT_NEAR(box.frameTransform[12], 1, 1e-6f);
    EXPECT_NEAR(box.frameTransform[1], 1, 1e-6f);  // column 0 = (cos, sin, 0)

    box.speed = 0;  // no scaled time, no motion
    box.update(10);
    EXPECT_NEAR(box.positions[1], 3, 1e-5f);
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

TEST_F(ParticleboxGL, SpritesAreTintedAndPlacedByTheirTransform)
{
    dir.write("data/textures/white.tga", testing::solidTga24(4, 4, 255, 255, 255));
    ParticleBox box;
    configure(box, {{"number", "1"},
                    {"spawndim", "0,0,0"},
                    {"texture", "white.tga"},
                    {"tra", "0,0,-5"},
                    {"color", "ff8040"}});
    box.load();
    EXPECT_NE(box.particleTexture.name, 0u);
    box.render();
    const auto centre = pixel(320, 240);
    EXPECT_EQ(centre[0], 255);
    EXPECT_NEAR(centre[1], 128, 1);
    EXPECT_NEAR(centre[2], 64, 1);
    EXPECT_EQ(pixel(10, 10)[0], 0);
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ONE);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
}

TEST_F(ParticleboxGL, NonUniformScaleStretchesTheSpritesIntoBars)
{
    ParticleBox box;
    configure(box, {{"number", "1"}, {"spawndim", "0,0,0"}, {"tra", "0,0,-20"}, {"sca", "0.2,10,1"}});
    box.load();
    box.render();
    EXPECT_EQ(pixel(320, 240)[0], 255);  // untextured white
    EXPECT_EQ(pixel(320, 470)[0], 255);  // the bar reaches the top
    EXPECT_EQ(pixel(360, 240)[0], 0);    // but is narrow
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

TEST_F(ParticleboxGL, AlphaBelowTheTestThresholdIsNotDrawn)
{
    testing::TgaHeader h;
    h.width = 1;
    h.height = 1;
    h.bitsPerPixel = 32;
    dir.write("data/textures/clear.tga", testing::tgaFile(h, {255, 255, 255, 20}));
    ParticleBox box;
    configure(box, {{"number", "1"}, {"spawndim", "0,0,0"}, {"tra", "0,0,-5"}, {"texture", "clear.tga"}});
    box.load();
    box.render();
    EXPECT_EQ(pixel(320, 240)[0], 0);
}

}  // namespace
}  // namespace velmora
