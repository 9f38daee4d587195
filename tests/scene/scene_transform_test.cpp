// Matrices of the node family: local matrices, the general inverse, bind pose and skin
// deformation. Hierarchy walks and animated channels: scene_loader_test and the golden images.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/scene/zen_samples.h"

namespace velmora {
namespace {

void expectPoint(const Vec3f& p, float x, float y, float z)
{
    EXPECT_NEAR(p.x, x, 1e-5f);
    EXPECT_NEAR(p.y, y, 1e-5f);
    EXPECT_NEAR(p.z, z, 1e-5f);
}

TEST(SceneMath, RotationFollowsZYXOrderAndInverseUndoesAnyTransform)
{
    // Rz(90°) after Rx(90°): x stays x then turns into y; y turns into z.
    const float half = 1.5707963f;
    const Matrix4 r = Matrix4::rotation({half, 0, half});
    expectPoint(r.transformPoint({1, 0, 0}), 0, 1, 0);
    expectPoint(r.transformPoint({0, 1, 0}), 0, 0, 1);

    const Matrix4 m = Matrix4::translation({3, -2, 7}) * Matrix4::rotation({0.3f, -1.1f, 2.0f}) *
                      Matrix4::scaling({2, 0.5f, 4});
    Matrix4 inverse = m;
    ASSERT_TRUE(inverse.invert());
    const Matrix4 product = inverse * m;
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(product[i], i % 5 == 0 ? 1.0f : 0.0f, 1e-5f) << i;

    Matrix4 singular = Matrix4::scaling({1, 0, 1});
    EXPECT_FALSE(singular.invert());
    EXPECT_FLOAT_EQ(singular[5], 0.0f);  // left unchanged
}

TEST(TransformNode, ScaleActsBeforeThePivotAndOffsetAddsToPosition)
{
    TransformNode node;
    node.setScale({2, 2, 2});
    node.setPivot({1, 0, 0});
    node.computeWorldAsRoot();
    expectPoint(node.world.transformPoint({1, 0, 0}), 2, 0, 0);
    EXPECT_EQ(node.dirty, 0);

    // Rotation turns about the pivot; offset and position translate afterwards.
    TransformNode turned;
    turned.setPivot({1, 0, 0});
    turned.setRotation({0, 0, 3.14159265f});
    turned.setOffset({0, 0, 5});
    turned.setPosition({0, 1, 0});
    turned.computeLocal();
    expectPoint(turned.local.transformPoint({0, 0, 0}), 2, 1, 5);
}

TEST(Joint, OrientAndAxisWrapTheAnimatedRotation)
{
    // local = T(position) R(orient) R(rotation) R(axis) S(scale); pivot and offset are ignored.
    Joint ordered;
    ordered.setPosition({1, 2, 3});
    ordered.setOrient({0, 0, 1.5707963f});
    ordered.setAxis({1.5707963f, 0, 0});
    ordered.setScale({2, 2, 2});
    ordered.setPivot({9, 9, 9});
    ordered.setOffset({9, 9, 9});
    ordered.computeLocal();
    // (0, 1, 0) scaled to (0, 2, 0), turned by the axis to (0, 0, 2), then by orient stays.
    expectPoint(ordered.local.transformPoint({0, 1, 0}), 1, 2, 5);
}

TEST(Skin, DeformsThroughSkinMatricesWithWeightsAsStored)
{
    ZenWriter w;
    w.node(1, "holder", testing::placedAt(0, 0, 0));
    const uint8_t white[3] = {255, 255, 255};
    MeshGeometry g = testing::quadGeometry(2, white);
    w.mesh(2, "body", g);
    w.joint(3, "still", {}, {}, {1, 1, 1}, {}, {});
    w.joint(4, "mover", {}, {}, {1, 1, 1}, {}, {});
    w.hierarchy({{1, {2}}});
    w.track(5, "lift", 0, 0, {{0, 0, 2, 2}, {90, 9, 2, 2}});
    w.binding({{5, 4, kChannelPositionY}});
    w.skin(6, "skin", 2, {{{3, 0.25f}, {3, 0.25f}}, {{4, 1.0f}}, {}, {{3, 0.5f}, {4, 0.5f}}});
    auto scene = testing::loadScene(w.bytes());
    scene->Prepare();
    scene->Update(0);
    const std::vector<Vec3f>& out = scene->skins[0]->deformed->geometry.positions;
    // Identity skin matrices, weights summing to 0.5: half the source position.
    expectPoint(out[0], -1, -1, 0);
    expectPoint(out[1], 2, -2, 0);
    expectPoint(out[2], 0, 0, 0);  // no influences
    expectPoint(out[3], -2, 2, 0);

    scene->Update(1.0f / 3);  // frame 30: mover lifted by 3 relative to its bind pose
    expectPoint(out[1], 2, 1, 0);
    expectPoint(out[3], -2, 3.5f, 0);
    // The source mesh keeps its positions.
    expectPoint(scene->meshes[0]->geometry.positions[1], 2, -2, 0);
}

TEST(Joint, BindPoseIsADetachedUnanimatedSnapshot)
{
    ZenWriter w;
    w.joint(1, "parent", {0, 1, 0}, {}, {1, 1, 1}, {}, {});
    w.joint(2, "bone", {3, 0, 0}, {}, {1, 1, 1}, {}, {});
    w.track(3, "spin", 0, 0, {{0, 0, 2, 2}, {90, 1, 2, 2}});
    w.hierarchy({{1, {2}}});
    w.binding({{3, 2, kChannelRotationZ}});
    auto scene = testing::loadScene(w.bytes());
    scene->Prepare();
    Joint& bone = *scene->joints[1];
    ASSERT_TRUE(bone.bindPose);
    EXPECT_FALSE(bone.bindPose->animated);
    EXPECT_EQ(bone.parent, scene->joints[0].get());
    EXPECT_EQ(bone.bindPose->parent, nullptr);
    scene->Update(0);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(bone.skinMatrix[i], Matrix4::identity()[i], 1e-5f) << i;
    scene->Update(0.5f);
    EXPECT_GT(std::fabs(bone.skinMatrix[1]), 0.1f);  // the joint turned away from its bind pose
}

}  // namespace
}  // namespace velmora
