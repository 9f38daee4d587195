// Rigid bodies, solver and cloth of the `rigid` effect, and the effect's stepping. What it draws
// is in the golden images (tests/golden).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "effects/rigid.h"

namespace velmora {
namespace {

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
        while (effect.stepsDone() < step) effect.update(5);
    }
    Rigid effect;
};

// update(100) makes 20 steps due, run 4 a call; update(4) is 0.8 of a step.
TEST_F(RigidEffectTest, AtMostFourStepsPerUpdateWithCatchUp)
{
    const std::pair<float, int> deltaThenSteps[] = {
        {100, 4}, {0, 8}, {0, 12}, {0, 16}, {0, 20}, {0, 20}, {4, 20}, {1, 21}};
    for (const auto& [delta, steps] : deltaThenSteps) {
        effect.update(delta);
        EXPECT_EQ(effect.stepsDone(), steps);
    }
}

// Each kick sets one body's momentum right after its step.
TEST_F(RigidEffectTest, KicksSetOneBodysMomentumAtTheirStep)
{
    struct Kick {
        int step, body;
        Vec3d momentum;
    };
    for (const Kick& kick : {Kick{50, 11, {0.04, 0, 1.01}}, Kick{100, 10, {-1, 0, 0.045}},
                             Kick{150, 12, {1, 0, 0.033}}, Kick{200, 13, {-0.054, 0, -0.8}}}) {
        runTo(kick.step);
        const Vec3d& momentum = effect.world()->bodies[kick.body].momentum;
        EXPECT_EQ(momentum.x, kick.momentum.x) << kick.step;
        EXPECT_EQ(momentum.y, kick.momentum.y) << kick.step;
        EXPECT_EQ(momentum.z, kick.momentum.z) << kick.step;
    }
}

TEST_F(RigidEffectTest, BodiesSettleOnTheGroundAndTheGroundStays)
{
    runTo(2000);
    const RigidBody& ground = effect.world()->bodies[0];
    EXPECT_EQ(ground.position.y, -8);
    EXPECT_EQ(ground.orientation.m[0], 1);
    EXPECT_EQ(ground.orientation.m[4], 1);
    constexpr double kGroundTop = -7;
    for (size_t i = 1; i < effect.world()->bodies.size(); ++i) {
        const RigidBody& body = effect.world()->bodies[i];
        double lowest = 1e9;
        for (const Vec3d& v : body.vertices) lowest = std::min(lowest, body.toWorld(v).y);
        EXPECT_GT(lowest, kGroundTop - 0.1) << "body " << i;
        EXPECT_LT(lowest, kGroundTop + 0.5) << "body " << i;  // resting on the ground, not hovering
        EXPECT_LT(length(body.velocity), 0.01) << "body " << i;
    }
    for (int r = 0; r < ClothGrid::kSize; ++r)
        for (int k = 0; k < ClothGrid::kSize; ++k) EXPECT_GT(effect.cloth()->at(r, k).y, kGroundTop - 0.1);
}

}  // namespace
}  // namespace velmora
