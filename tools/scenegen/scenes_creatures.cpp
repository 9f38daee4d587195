// The creatures: a skinned fish swimming over sand, and a head looking around.
#include <algorithm>
#include <cmath>
#include <string>

#include "tools/scenegen/scenes.h"

namespace velmora::scenegen {

namespace {

// ---- fish.zen: a fish on four joints, five cameras, 900 frames -----------------------------

// World x of the joints along the spine, head first.
constexpr float kSpine[4] = {3.0f, 0.5f, -2.0f, -4.0f};

// Weights of one vertex: linear between the two spine joints around its x.
std::vector<ZenInfluence> spineWeights(float x, const uint32_t joints[4])
{
    if (x >= kSpine[0])
        return {{joints[0], 1}};
    for (int i = 0; i < 3; ++i)
        if (x >= kSpine[i + 1]) {
            const float t = (kSpine[i] - x) / (kSpine[i] - kSpine[i + 1]);
            return {{joints[i], 1 - t}, {joints[i + 1], t}};
        }
    return {{joints[3], 1}};
}

std::vector<uint8_t> fishScene()
{
    SceneBuilder scene;
    const uint32_t skinMap = scene.texture("fishskin.tga");
    const uint32_t skinMaterial = scene.material("Scales", {0.9f, 0.9f, 0.9f, 1}, {{skinMap, 1}});
    const uint32_t fin = scene.material("Fin", {1, 0.5f, 0.1f, 1});
    const uint32_t eye = scene.material("Eye", {0.05f, 0.05f, 0.05f, 1});
    const uint32_t sand = scene.material("Sand", {0.8f, 0.7f, 0.5f, 1});
    const uint32_t bubble = scene.material("Bubble", {0.7f, 0.85f, 1, 1});
    scene.light("Sunlight", {1, 1, 1, 0}, scene.node("SunlightNode", at(3, 20, 8)));
    scene.standardCameras(18);
    scene.cameraOnNode("FishCam", lookAt({7, 3, 16}, {0, -0.5f, 0}));

    // Body, tail and fins in the rest pose, around the spine on the x axis.
    MeshBuilder body;
    body.setMaterial(skinMaterial);
    body.setColour({255, 255, 255});
    body.ellipsoid({0, 0, 0}, {4, 1.5f, 0.8f}, 10, 18);
    body.setMaterial(fin);
    body.setColour({255, 140, 40});
    const Vec3f tailRoot{-3.7f, 0, 0}, tailTop{-5.8f, 1.6f, 0}, tailBottom{-5.8f, -1.6f, 0};
    body.triangle({tailRoot, {0, 0, 1}}, {tailBottom, {0, 0, 1}, 1, 0}, {tailTop, {0, 0, 1}, 1, 1});
    body.triangle({tailRoot, {0, 0, -1}}, {tailTop, {0, 0, -1}, 1, 1}, {tailBottom, {0, 0, -1}, 1, 0});
    const Vec3f finFront{1, 1.4f, 0}, finBack{-1.5f, 1.3f, 0}, finTip{-1.2f, 2.4f, 0};
    body.triangle({finFront, {0, 0, 1}}, {finBack, {0, 0, 1}}, {finTip, {0, 0, 1}});
    body.triangle({finFront, {0, 0, -1}}, {finTip, {0, 0, -1}}, {finBack, {0, 0, -1}});
    body.setMaterial(eye);
    body.setColour({20, 20, 20});
    body.ellipsoid({2.9f, 0.4f, 0.55f}, {0.25f, 0.25f, 0.2f}, 5, 8);
    body.ellipsoid({2.9f, 0.4f, -0.55f}, {0.25f, 0.25f, 0.2f}, 5, 8);

    const uint32_t fishRoot = scene.node("FishRoot", at(0, 0, 0));
    const uint32_t bodyMesh = scene.mesh("FishBody", body.build(), fishRoot);

    uint32_t joints[4];
    joints[0] = scene.joint("Head", {kSpine[0], 0, 0});
    joints[1] = scene.joint("Spine1", {kSpine[1] - kSpine[0], 0, 0}, joints[0]);
    joints[2] = scene.joint("Spine2", {kSpine[2] - kSpine[1], 0, 0}, joints[1]);
    joints[3] = scene.joint("Tail", {kSpine[3] - kSpine[2], 0, 0}, joints[2]);

    // Swimming: each joint swings about y, later joints further and later. Every track starts
    // at 0 so that the bind pose taken at preparation is the rest pose.
    const float amplitude[4] = {0.08f, 0.18f, 0.3f, 0.45f};
    for (int j = 0; j < 4; ++j) {
        std::vector<TrackKey> keys;
        for (int i = 0; i <= 60; ++i) {
            const float t = 15.0f * i;
            const float phase = i * kPi / 2 - j * 0.6f;
            const float value = i == 0 ? 0 : amplitude[j] * std::sin(phase);
            keys.push_back(key(t, value, kKeySmooth));
        }
        scene.animate(joints[j], kChannelRotationY, kHold, kRepeat, keys);
    }
    scene.animate(joints[0], kChannelPositionZ, kHold, kRepeat,
                  {key(0, 0, kKeySmooth), key(225, 1.5f, kKeySmooth), key(450, 0, kKeySmooth),
                   key(675, -1.5f, kKeySmooth), key(900, 0, kKeySmooth)});
    scene.animate(joints[0], kChannelPositionY, kHold, kRepeat,
                  {key(0, 0, kKeyFlat), key(300, 0.6f, kKeyFlat),
                   key(600, -0.4f, kKeyFlat), key(900, 0, kKeyFlat)});

    std::vector<std::vector<ZenInfluence>> weights;
    for (const Vec3f& p : body.vertexPositions())
        weights.push_back(spineWeights(p.x, joints));
    scene.skin("FishSkin", bodyMesh, weights);

    MeshBuilder floor;
    floor.setMaterial(sand);
    for (int x = -8; x < 8; ++x)
        for (int z = -8; z < 8; ++z) {
            const uint8_t tone = static_cast<uint8_t>(180 + ((x * 7 + z * 13) & 31));
            floor.setColour({tone, static_cast<uint8_t>(tone - 30), static_cast<uint8_t>(tone - 80)});
            const float y = -4.0f;
            floor.flatQuad({x * 2.0f, y, z * 2.0f + 2}, {x * 2.0f + 2, y, z * 2.0f + 2},
                           {x * 2.0f + 2, y, z * 2.0f}, {x * 2.0f, y, z * 2.0f});
        }
    floor.setColour({120, 110, 100});
    floor.ellipsoid({-5, -4, -3}, {1.5f, 0.8f, 1.2f}, 6, 10);
    floor.ellipsoid({6, -4, -5}, {2, 1.1f, 1.5f}, 6, 10);
    scene.mesh("Seabed", floor.build(), scene.node("SeabedNode", at(0, 0, 0)));

    for (int b = 0; b < 3; ++b) {
        MeshBuilder sphere;
        sphere.setMaterial(bubble);
        sphere.setColour({200, 230, 255});
        sphere.ellipsoid({0, 0, 0}, {0.15f, 0.15f, 0.15f}, 5, 8);
        const uint32_t node = scene.node("Bubble" + std::to_string(b), at(4.5f + b * 0.3f, -3, 0.5f));
        scene.mesh("BubbleMesh" + std::to_string(b), sphere.build(), node);
        const float offset = 40.0f * b;
        scene.animate(node, kChannelPositionY, kRepeat, kRepeat,
                      {key(offset, -3, kKeyLinear), key(offset + 150, 4, kKeyLinear)});
    }
    return scene.finish();
}

// ---- headlook.zen: a head that turns, nods and looks around, 600 frames --------------------

std::vector<uint8_t> headlookScene()
{
    SceneBuilder scene;
    const uint32_t skin = scene.material("Skin", {1, 0.8f, 0.65f, 1});
    const uint32_t white = scene.material("EyeWhite", {1, 1, 1, 1});
    const uint32_t dark = scene.material("Pupil", {0.05f, 0.05f, 0.1f, 1});
    const uint32_t hair = scene.material("Hair", {0.35f, 0.2f, 0.1f, 1});
    const uint32_t shirt = scene.material("Shirt", {0.2f, 0.3f, 0.7f, 1});
    scene.light("Fill", {1, 1, 1, 0}, scene.node("FillNode", at(-8, 10, 20)));
    scene.cameraOnNode("HeadCam", at(0, 0, 30));

    const uint32_t bodyNode = scene.node("Body", at(0, -3.5f, 0));
    MeshBuilder body;
    body.setMaterial(shirt);
    body.setColour({50, 80, 180});
    body.ellipsoid({0, -1.5f, 0}, {5.5f, 2.5f, 2.5f}, 8, 16);
    body.setMaterial(skin);
    body.setColour({240, 190, 160});
    body.cylinder({0, -0.5f, 0}, 1.2f, 2.5f, 12);
    scene.mesh("BodyMesh", body.build(), bodyNode);

    const uint32_t head = scene.node("Head", at(0, 5.5f, 0), bodyNode);
    MeshBuilder face;
    face.setMaterial(skin);
    face.setColour({245, 195, 165});
    face.ellipsoid({0, 0, 0}, {3, 3.6f, 3.2f}, 12, 20);
    face.box({0, -0.3f, 3.2f}, {0.35f, 0.8f, 0.45f});          // nose
    face.ellipsoid({3, 0, 0}, {0.4f, 0.9f, 0.5f}, 5, 8);       // ears
    face.ellipsoid({-3, 0, 0}, {0.4f, 0.9f, 0.5f}, 5, 8);
    face.setMaterial(hair);
    face.setColour({90, 50, 25});
    face.ellipsoid({0, 1.4f, -0.3f}, {3.15f, 2.5f, 3.2f}, 8, 20);
    face.setMaterial(white);
    face.setColour({255, 255, 255});
    face.ellipsoid({-1.1f, 0.7f, 2.55f}, {0.75f, 0.6f, 0.5f}, 6, 10);
    face.ellipsoid({1.1f, 0.7f, 2.55f}, {0.75f, 0.6f, 0.5f}, 6, 10);
    scene.mesh("FaceMesh", face.build(), head);

    // Turns with pauses (flat keys), a glance that snaps back (a step key), then a nod.
    scene.animate(head, kChannelRotationY, kHold, kRepeat,
                  {key(0, 0, kKeyFlat), key(80, 0, kKeyFlat), key(140, 0.8f, kKeyFlat),
                   key(220, 0.8f, kKeyFlat), key(300, -0.8f, kKeyFlat), key(380, -0.8f, kKeyStep),
                   key(420, 0, kKeyFlat), key(600, 0, kKeyFlat)});
    scene.animate(head, kChannelRotationX, kHold, kRepeat,
                  {key(0, 0, kKeySmooth), key(450, 0, kKeySmooth), key(490, 0.35f, kKeySmooth),
                   key(530, -0.1f, kKeySmooth), key(570, 0, kKeySmooth), key(600, 0, kKeySmooth)});

    // The pupils lead the head: they look first, the head follows.
    const uint32_t eyes = scene.node("Eyes", at(0, 0.7f, 2.95f), head);
    MeshBuilder pupils;
    pupils.setMaterial(dark);
    pupils.setColour({20, 20, 40});
    pupils.ellipsoid({-1.1f, 0, 0}, {0.28f, 0.28f, 0.15f}, 5, 8);
    pupils.ellipsoid({1.1f, 0, 0}, {0.28f, 0.28f, 0.15f}, 5, 8);
    scene.mesh("PupilMesh", pupils.build(), eyes);
    scene.animate(eyes, kChannelPositionX, kHold, kRepeat,
                  {key(0, 0, kKeyLinear2), key(60, 0, kKeyLinear2), key(75, 0.3f, kKeyLinear2),
                   key(200, 0.3f, kKeyLinear2), key(230, -0.3f, kKeyLinear2),
                   key(370, -0.3f, kKeyLinear2), key(390, 0, kKeyLinear2),
                   key(600, 0, kKeyLinear2)});
    return scene.finish();
}

}  // namespace

std::vector<SceneRecipe> creatureScenes()
{
    return {
        {"scenes/fish.zen", fishScene},
        {"scenes/headlook.zen", headlookScene},
    };
}

}  // namespace velmora::scenegen
