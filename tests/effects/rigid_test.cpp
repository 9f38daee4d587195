// Rigid bodies, solver and cloth of the `rigid` effect, and the effect's stepping and drawing.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "effects/rigid.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/script_builder.h"

namespace velmora {
namespace {

// Planes face outwards; with `strict`, every vertex lies on or behind every face plane (the
// ellipsoid's quads are not planar, so there only the first three corners are on their plane).
void expectOutwardPlanes(const RigidBody& body, bool strict)
{
    for (const RigidFace& face : body.faces) {
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(dot(face.normal, body.vertices[face.corners[k]]) + face.offset, 0, 1e-9);
        EXPECT_GT(-face.offset, 0);  // the origin is behind the plane
        if (strict) {
            for (const Vec3d& v : body.vertices) EXPECT_LE(dot(face.normal, v) + face.offset, 1e-9);
        }
        // Every corner of a face is inside all of the face's edge planes.
        for (int corner : face.corners)
            for (size_t k = 0; k < face.edgeNormals.size(); ++k)
                EXPECT_LE(dot(face.edgeNormals[k], body.vertices[corner]) + face.edgeOffsets[k], 1e-9);
        ASSERT_EQ(face.normals.size(), face.corners.size());
    }
}

TEST(RigidShapes, CountsBoundsAndPlanes)
{
    const RigidBody box = makeBox(2.5, 1, 3);
    EXPECT_EQ(box.vertices.size(), 8u);
    EXPECT_EQ(box.edges.size(), 12u);
    EXPECT_EQ(box.faces.size(), 6u);
    EXPECT_DOUBLE_EQ(box.extent.x, 2.5);
    EXPECT_DOUBLE_EQ(box.extent.z, 3);
    EXPECT_NEAR(box.boundRadius, std::sqrt(2.5 * 2.5 + 1 + 9), 1e-12);
    expectOutwardPlanes(box, true);

    const RigidBody ball = makeEllipsoid(2, 2, 2);
    EXPECT_EQ(ball.vertices.size(), 96u);
    EXPECT_EQ(ball.edges.size(), 108u);
    EXPECT_EQ(ball.faces.size(), 54u);
    EXPECT_NEAR(ball.boundRadius, 2, 1e-12);
    for (const RigidFace& face : ball.faces)
        for (size_t k = 0; k < face.corners.size(); ++k)  // smooth: the normal is the radial direction
            EXPECT_NEAR(dot(face.normals[k], normalized(ball.vertices[face.corners[k]])), 1, 1e-12);
    expectOutwardPlanes(ball, false);

    const RigidBody cylinder = makeCylinder(3, 0.5, 3);
    EXPECT_EQ(cylinder.vertices.size(), 32u);
    EXPECT_EQ(cylinder.edges.size(), 48u);
    ASSERT_EQ(cylinder.faces.size(), 18u);
    EXPECT_EQ(cylinder.faces[0].corners.size(), 16u);  // caps come first
    EXPECT_EQ(cylinder.faces[1].corners.size(), 16u);
    EXPECT_NEAR(std::fabs(cylinder.faces[0].normal.y), 1, 1e-12);
    EXPECT_EQ(cylinder.faces[2].corners.size(), 4u);
    EXPECT_NEAR(cylinder.faces[5].normals[0].y, 0, 1e-12);
    expectOutwardPlanes(cylinder, true);
}

TEST(RigidShapes, InertiaOfGroundIsZeroAndOfBallIsIsotropic)
{
    RigidWorld world;
    buildRigidScene(world);
    ASSERT_EQ(world.bodies.size(), 14u);
    for (double v : world.bodies[0].invInertiaBody.m) EXPECT_EQ(v, 0);
    EXPECT_EQ(world.bodies[0].invMass, 0);
    // Solid sphere of radius 2 and mass 1: I = 2/5 r^2 = 1.6 on the diagonal (sampled, so close).
    const Mat3d& inverse = world.bodies[1].invInertiaBody;
    EXPECT_NEAR(inverse.at(0, 0), 1 / 1.6, 0.06);
    EXPECT_NEAR(inverse.at(0, 0), inverse.at(1, 1), 0.01);
    EXPECT_NEAR(inverse.at(0, 1), 0, 0.01);
    EXPECT_EQ(world.bodies[11].position.z, -26);
}

// A unit-mass ball sitting on the ground, touching it at its centre point with normal +y.
struct TwoBodyContact : ::testing::Test {
    void SetUp() override
    {
        buildRigidScene(world);
        contact.a = 1;
        contact.b = 0;
        contact.point = world.bodies[1].position;
        contact.normal = {0, 1, 0};
    }
    void setBallMomentum(double y)
    {
        world.bodies[1].momentum = {0, y, 0};
        world.bodies[1].updateVelocities();
    }
    RigidWorld world;
    Contact contact;
};

TEST_F(TwoBodyContact, RestitutionBoundaries)
{
    EXPECT_DOUBLE_EQ(contactRestitution(-0.05), 0.7);
    EXPECT_DOUBLE_EQ(contactRestitution(-0.5), 0.7);
    EXPECT_NEAR(contactRestitution(-0.025), -0.1, 1e-12);
    EXPECT_NEAR(contactRestitution(-1e-9), 0.2, 1e-6);

    setBallMomentum(0);
    EXPECT_FALSE(world.applyImpulse(contact));
    EXPECT_EQ(world.bodies[1].momentum.y, 0);

    setBallMomentum(0.01);  // separating
    EXPECT_FALSE(world.applyImpulse(contact));
    EXPECT_EQ(world.bodies[1].momentum.y, 0.01);

    setBallMomentum(-0.05);  // exactly -0.05: e = 0.7, so it bounces back at 0.035
    EXPECT_TRUE(world.applyImpulse(contact));
    EXPECT_NEAR(world.bodies[1].momentum.y, 0.035, 1e-12);
}

TEST_F(TwoBodyContact, GroundTakesImpulsesWithoutMoving)
{
    setBallMomentum(-1);
    contact.point = world.bodies[1].position + Vec3d{0.5, -2, 0.3};  // off-centre: also spins
    ASSERT_TRUE(world.applyImpulse(contact));
    const RigidBody& ground = world.bodies[0];
    EXPECT_LT(ground.momentum.y, 0);  // pushed down by the ball
    EXPECT_EQ(length(ground.velocity), 0);
    EXPECT_EQ(length(ground.angularVelocity), 0);
    EXPECT_GT(length(world.bodies[1].angularVelocity), 0);
}

TEST(RigidWorldTest, DetectsInterpenetration)
{
    RigidWorld world;
    buildRigidScene(world);
    EXPECT_FALSE(world.interpenetrates(6, 7));
    double state[kBodyStateSize];
    world.bodies[7].getState(state);
    state[0] = 5, state[2] = 0.5;  // unit ball 7 moved into unit ball 6 at (6, -4, 0)
    world.bodies[7].setState(state);
    EXPECT_TRUE(world.interpenetrates(6, 7));
    state[0] = 3.9;  // just apart again
    world.bodies[7].setState(state);
    EXPECT_FALSE(world.interpenetrates(6, 7));
}

class RigidEffectTest : public ::testing::Test {
protected:
    void SetUp() override { effect.load(); }
    // One call of update(5) advances exactly one step.
    void runTo(int step)
    {
        while (effect.stepCount < step) effect.update(5);
    }
    Rigid effect;
};

TEST_F(RigidEffectTest, AtMostFourStepsPerUpdateWithCatchUp)
{
    effect.update(100);  // 20 steps due
    EXPECT_EQ(effect.stepCount, 4);
    effect.update(0);
    EXPECT_EQ(effect.stepCount, 8);
    for (int i = 0; i < 5; ++i) effect.update(0);
    EXPECT_EQ(effect.stepCount, 20);
    effect.update(0);
    EXPECT_EQ(effect.stepCount, 20);
    effect.update(4);  // 0.8 of a step: nothing yet
    EXPECT_EQ(effect.stepCount, 20);
    effect.update(1);
    EXPECT_EQ(effect.stepCount, 21);
}

TEST_F(RigidEffectTest, KicksAndClothFollowTheStepNumbers)
{
    const Vec3d clothStart = effect.cloth->at(3, 7);
    runTo(49);
    EXPECT_LT(std::fabs(effect.world->bodies[11].momentum.z), 0.02);
    runTo(50);
    EXPECT_EQ(effect.world->bodies[11].momentum.z, 1.01);
    // The kick sets the momentum only: the body moves with its old velocity in step 51 and
    // with the new one (about 1 per step) from step 52.
    const double kickedAt = effect.world->bodies[11].position.z;
    EXPECT_LT(std::fabs(effect.world->bodies[11].velocity.z), 0.02);
    runTo(51);
    const double afterStep51 = effect.world->bodies[11].position.z;
    EXPECT_LT(std::fabs(afterStep51 - kickedAt), 0.02);
    runTo(52);
    EXPECT_GT(effect.world->bodies[11].position.z - afterStep51, 0.9);
    EXPECT_LT(std::fabs(effect.world->bodies[10].momentum.x), 0.02);
    runTo(70);
    EXPECT_EQ(length(effect.cloth->at(3, 7) - clothStart), 0);
    runTo(71);
    EXPECT_LT(effect.cloth->at(3, 7).y, clothStart.y);
    runTo(99);
    EXPECT_LT(std::fabs(effect.world->bodies[10].momentum.x), 0.02);
    runTo(100);
    EXPECT_EQ(effect.world->bodies[10].momentum.x, -1);
    runTo(150);
    EXPECT_EQ(effect.world->bodies[12].momentum.x, 1);
    runTo(200);
    EXPECT_EQ(effect.world->bodies[13].momentum.z, -0.8);
}

TEST_F(RigidEffectTest, BodiesSettleOnTheGroundAndTheGroundStays)
{
    runTo(2000);
    const RigidBody& ground = effect.world->bodies[0];
    EXPECT_EQ(ground.position.y, -8);
    EXPECT_EQ(ground.orientation.m[0], 1);
    EXPECT_EQ(ground.orientation.m[4], 1);
    constexpr double kGroundTop = -7;
    for (size_t i = 1; i < effect.world->bodies.size(); ++i) {
        const RigidBody& body = effect.world->bodies[i];
        double lowest = 1e9;
        for (const Vec3d& v : body.vertices) lowest = std::min(lowest, body.toWorld(v).y);
        EXPECT_GT(lowest, kGroundTop - 0.1) << "body " << i;
        EXPECT_LT(lowest, kGroundTop + 0.5) << "body " << i;  // resting on the ground, not hovering
        EXPECT_LT(length(body.velocity), 0.01) << "body " << i;
    }
    for (int r = 0; r < ClothGrid::kSize; ++r)
        for (int k = 0; k < ClothGrid::kSize; ++k) EXPECT_GT(effect.cloth->at(r, k).y, kGroundTop - 0.1);
}

using RigidRenderTest = velmora::testing::GLTest;

TEST_F(RigidRenderTest, DrawsBodiesCentredAndNothingBeforeLoad)
{
    Rigid effect;
    effect.render();  // no world yet: nothing drawn, no crash
    EXPECT_EQ(pixel(320, 240)[1], 0);
    effect.load();
    auto node = velmora::testing::element("r", {{"camera", "0"}});
    effect.handleElement(node.get());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    effect.render();
    // The central ball and the ground slab cover the middle of the view; the sky corner stays black.
    const auto centre = pixel(320, 240);
    EXPECT_GT(centre[0] + centre[1] + centre[2], 0);
    const auto corner = pixel(2, 477);
    EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);
}

}  // namespace
}  // namespace velmora
