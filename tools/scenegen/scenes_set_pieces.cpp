// The fixed set pieces: turning cogs, golden letters, a ball on a staircase, a dripping tap.
#include <cmath>
#include <string>

#include "tools/scenegen/scenes.h"

namespace velmora::scenegen {

namespace {

NodeValues at(float x, float y, float z)
{
    NodeValues v;
    v.position = {x, y, z};
    return v;
}

// ---- cog.zen: three interlocking cogs, one camera, 360 frames -----------------------------

std::vector<uint8_t> cogScene()
{
    SceneBuilder scene;
    const uint32_t chrome = scene.texture("chrome.tga");
    const uint32_t steel = scene.material("Steel", {0.75f, 0.75f, 0.8f, 1}, {{chrome, 4}});
    const uint32_t brass = scene.material("Brass", {0.9f, 0.7f, 0.3f, 1});
    scene.light("Sun", {1, 1, 1, 0}, scene.node("SunNode", at(10, 15, 20)));
    scene.camera("Camera01", scene.node("CameraNode", lookAt({1, -1, 25}, {0.5f, -2.2f, 0})));

    struct Cog {
        const char* name;
        int teeth;
        float x, y;
        float turns;  // in 360 frames; the sign gives the direction
        float phase;  // radians, so that teeth meet gaps
        uint32_t keyType;
    };
    const float k = 0.32f;  // pitch radius per tooth: equal tooth size on every cog
    const float rA = 16 * k, rB = 10 * k, rC = 12 * k;
    const float stepA = 2 * kPi / 16, stepB = 2 * kPi / 10, stepC = 2 * kPi / 12;
    const Cog cogs[] = {
        {"CogBig", 16, -2.5f, 1.5f, 1.0f, -0.325f * stepA, kKeyLinear},
        {"CogSmall", 10, -2.5f + rA + rB, 1.5f, -1.6f, kPi - 0.825f * stepB, kKeyLinear2},
        {"CogLow", 12, -2.5f, 1.5f - rA - rC, -16.0f / 12, kPi / 2 - 0.825f * stepC, kKeyLinear},
    };
    for (const Cog& cog : cogs) {
        MeshBuilder mesh;
        mesh.setMaterial(steel);
        mesh.setColour({200, 200, 210});
        mesh.extrudeStarShaped({0, 0, 0}, cogOutline(cog.teeth, cog.teeth * k, 0.9f), 1.0f);
        mesh.setMaterial(brass);
        mesh.setColour({230, 180, 80});
        mesh.box({0, 0, 0}, {0.6f, 0.6f, 0.8f});
        mesh.box({0, 0, 0}, {cog.teeth * k * 0.7f, 0.15f, 0.6f});
        mesh.box({0, 0, 0}, {0.15f, cog.teeth * k * 0.7f, 0.6f});
        const uint32_t node = scene.node(cog.name, at(cog.x, cog.y, 0));
        scene.mesh(std::string(cog.name) + "Mesh", mesh.build(), node);
        scene.animate(node, kChannelRotationZ, kRepeat, kRepeat,
                      {key(0, cog.phase, cog.keyType),
                       key(360, cog.phase + cog.turns * 2 * kPi, cog.keyType)});
    }
    return scene.finish();
}

// ---- gold.zen: "VELMORA" in extruded gold, five cameras, 900 frames ------------------------

std::vector<uint8_t> goldScene()
{
    SceneBuilder scene;
    const uint32_t shine = scene.texture("goldenv.tga");
    const uint32_t gold = scene.material("Gold", {1, 0.8f, 0.3f, 1}, {{shine, 4}});
    const uint32_t base = scene.material("Plinth", {0.1f, 0.1f, 0.3f, 1});
    scene.light("Key", {1, 1, 1, 0}, scene.node("KeyNode", at(-10, 20, 30)));
    standardCameras(scene, 32);

    // The fifth camera circles the letters once in 900 frames.
    const float radius = 24, height = 6;
    const uint32_t orbit = scene.node("GoldCamNode", lookAt({0, height, radius}, {}));
    scene.camera("GoldCam", orbit);
    std::vector<TrackKey> xs, zs;
    for (int i = 0; i <= 8; ++i) {
        const float a = 2 * kPi * i / 8;
        xs.push_back(key(900.0f * i / 8, radius * std::sin(a), kKeySmooth));
        zs.push_back(key(900.0f * i / 8, radius * std::cos(a), kKeySmooth));
    }
    scene.animate(orbit, kChannelPositionX, kHold, kRepeat, xs);
    scene.animate(orbit, kChannelPositionZ, kHold, kRepeat, zs);
    scene.animate(orbit, kChannelRotationY, kHold, kRepeat,
                  {key(0, 0, kKeyLinear2), key(900, 2 * kPi, kKeyLinear2)});

    const char* word = "VELMORA";
    const float cell = 0.6f, advance = 6 * cell;
    for (int i = 0; word[i]; ++i) {
        MeshBuilder mesh;
        mesh.setMaterial(gold);
        mesh.setColour({255, 205, 90});
        for (auto [column, row] : letterCells(word[i]))
            mesh.box({(column - 2) * cell, (3 - row) * cell, 0}, {cell / 2, cell / 2, 0.5f});
        const std::string name(1, word[i]);
        const uint32_t node = scene.node("Letter" + name + std::to_string(i),
                                         at((i - 3) * advance, 0, 0));
        scene.mesh("Glyph" + name + std::to_string(i), mesh.build(), node);
        const float start = 150 + 60.0f * i;
        scene.animate(node, kChannelRotationY, kHold, kRepeat,
                      {key(0, 0, kKeyFlat), key(start, 0, kKeyFlat),
                       key(start + 120, 2 * kPi, kKeySmooth), key(900, 2 * kPi, kKeyFlat)});
        scene.animate(node, kChannelPositionY, kHold, kRepeat,
                      {key(0, 0, kKeySmooth), key(start + 60, 1.2f, kKeySmooth),
                       key(start + 140, 0, kKeySmooth), key(900, 0, kKeySmooth)});
    }
    MeshBuilder plinth;
    plinth.setMaterial(base);
    plinth.setColour({30, 40, 110});
    plinth.box({0, -3, 0}, {14, 0.4f, 2.5f});
    scene.mesh("PlinthMesh", plinth.build(), scene.node("Plinth", at(0, 0, 0)));
    return scene.finish();
}

// ---- stairs.zen: a ball bouncing down a staircase, seven cameras, 360 frames ---------------

std::vector<uint8_t> stairsScene()
{
    SceneBuilder scene;
    const uint32_t stoneMap = scene.texture("stone.tga");
    const uint32_t chrome = scene.texture("chrome.tga");
    const uint32_t stone = scene.material("Stone", {0.8f, 0.8f, 0.8f, 1}, {{stoneMap, 1}});
    const uint32_t shiny = scene.material("Ball", {0.9f, 0.2f, 0.2f, 1}, {{chrome, 4}});
    scene.light("Lamp", {1, 1, 1, 0}, scene.node("LampNode", at(-5, 12, 10)));
    standardCameras(scene, 20);
    scene.camera("StairsLow", scene.node("StairsLowNode", lookAt({8, 0.5f, 9}, {0, 1, 0})));
    scene.camera("StairsHigh", scene.node("StairsHighNode", lookAt({-3, 12, 8}, {0, 0, 0})));
    const uint32_t follow = scene.node("StairsFollowNode", lookAt({6, 2, 14}, {0, -1, 0}));
    scene.camera("StairsFollow", follow);
    scene.animate(follow, kChannelPositionX, kRepeat, kRepeat,
                  {key(0, 6, kKeySmooth), key(180, 2, kKeySmooth), key(360, 6, kKeySmooth)});
    // Panning with the dolly keeps the middle of the staircase in view.
    scene.animate(follow, kChannelRotationY, kRepeat, kRepeat,
                  {key(0, std::atan2(6.0f, 14.0f), kKeySmooth), key(180, std::atan2(2.0f, 14.0f), kKeySmooth),
                   key(360, std::atan2(6.0f, 14.0f), kKeySmooth)});

    const int steps = 10;
    const float run = 1.2f, rise = 0.5f;
    MeshBuilder stairs;
    stairs.setMaterial(stone);
    stairs.setColour({235, 225, 210});
    for (int i = 0; i < steps; ++i) {
        const float h = (i + 1) * rise;
        stairs.box({i * run, h / 2, 0}, {run / 2, h / 2, 2});
    }
    const uint32_t stairNode = scene.node("Staircase", at(-6, -3, 0));
    scene.mesh("Steps", stairs.build(), stairNode);

    // The ball lands on each step from the top down, 30 frames apart, then rolls off.
    const float radius = 0.35f;
    MeshBuilder ball;
    ball.setMaterial(shiny);
    ball.setColour({230, 60, 50});
    ball.ellipsoid({0, 0, 0}, {radius, radius, radius}, 10, 16);
    const uint32_t ballNode = scene.node("Ball", at((steps - 1) * run, steps * rise + radius, 0),
                                         stairNode);
    scene.mesh("BallMesh", ball.build(), ballNode);
    std::vector<TrackKey> xs, ys;
    for (int i = steps - 1; i >= 0; --i) {
        const float t = 30.0f * (steps - 1 - i);
        const float top = (i + 1) * rise + radius;
        xs.push_back(key(t, i * run, kKeyLinear));
        ys.push_back({t, top, kKeyLinear, kKeyLinear});
        if (i > 0)
            ys.push_back(key(t + 12, top + 0.7f, kKeyFlat));
    }
    xs.push_back(key(330, -3, kKeyLinear));
    ys.push_back(key(300, radius, kKeyFlat));
    ys.push_back(key(360, radius, kKeyFlat));
    scene.animate(ballNode, kChannelPositionX, kHold, kHold, xs);
    scene.animate(ballNode, kChannelPositionY, kHold, kHold, ys);
    scene.animate(ballNode, kChannelRotationZ, kHold, kHold,
                  {key(0, 0, kKeyLinear), key(330, 12 * kPi, kKeyLinear)});
    scene.animate(ballNode, kChannelVisibility, kHold, kHold,
                  {key(0, 1, kKeyStep), key(340, 0, kKeyStep)});
    scene.marker("BallLanded");
    return scene.finish();
}

// ---- tap2.zen: a dripping tap with a turning handle, 360 frames ----------------------------

// The `tap` effect draws nine copies 4 units apart and, after `camrand`, looks at the middle one
// from 2 to 3.5 units away: the tap fits in a ball of radius 0.9 around the origin so that from
// every such viewpoint the taps stand in open space instead of filling the view.
std::vector<uint8_t> tapScene()
{
    constexpr float k = 0.4f;  // the tap was modelled 2.5 times larger
    auto v = [](float x, float y, float z) { return Vec3f{x * k, y * k, z * k}; };
    SceneBuilder scene;
    const uint32_t chrome = scene.texture("chrome.tga");
    const uint32_t metal = scene.material("Chrome", {0.8f, 0.8f, 0.85f, 1}, {{chrome, 4}});
    const uint32_t water = scene.material("Water", {0.3f, 0.5f, 1, 1});
    const uint32_t porcelain = scene.material("Basin", {0.95f, 0.95f, 0.9f, 1});
    scene.light("Light", {1, 1, 1, 0}, scene.node("LightNode", at(5, 10, 10)));
    scene.camera("TapCam", scene.node("TapCamNode", lookAt(v(0, 2.5f, 7), v(0, -0.2f, 0))));
    scene.camera("TapTop", scene.node("TapTopNode", lookAt(v(0.01f, 8, 0), {0, 0, 0})));

    const uint32_t tap = scene.node("Tap", at(-0.4f * k, 0.25f * k, 0));
    MeshBuilder pipe;
    pipe.setMaterial(metal);
    pipe.setColour({210, 210, 220});
    pipe.cylinder(v(0, -1.2f, 0), 0.18f * k, 1.8f * k, 12);
    pipe.cylinderX(v(0, 0.45f, 0), 0.14f * k, 1.0f * k, 12);
    pipe.cylinder(v(0.95f, 0.2f, 0), 0.1f * k, 0.3f * k, 10);
    scene.mesh("Pipe", pipe.build(), tap);

    MeshBuilder handle;
    handle.setMaterial(metal);
    handle.setColour({180, 40, 40});
    handle.box({0, 0, 0}, v(0.45f, 0.06f, 0.08f));
    handle.box({0, 0, 0}, v(0.08f, 0.06f, 0.45f));
    handle.cylinder(v(0, -0.2f, 0), 0.07f * k, 0.2f * k, 8);
    const uint32_t handleNode = scene.node("Handle", at(0, 0.8f * k, 0), tap);
    scene.mesh("HandleMesh", handle.build(), handleNode);
    // Quarter turns that snap: step keys hold each position until the next.
    scene.animate(handleNode, kChannelRotationY, kRepeat, kRepeat,
                  {key(0, 0, kKeyStep), key(90, kPi / 2, kKeyStep), key(180, kPi, kKeyStep),
                   key(270, 1.5f * kPi, kKeyStep), key(360, 2 * kPi, kKeyStep)});

    MeshBuilder drop;
    drop.setMaterial(water);
    drop.setColour({90, 150, 255});
    drop.ellipsoid({0, 0, 0}, v(0.1f, 0.14f, 0.1f), 6, 10);
    const uint32_t dropNode = scene.node("Drop", at(0.95f * k, 0.15f * k, 0), tap);
    scene.mesh("DropMesh", drop.build(), dropNode);
    scene.animate(dropNode, kChannelPositionY, kRepeat, kRepeat,
                  {key(0, 0.15f * k, kKeyFlat), key(45, -1.1f * k, kKeyLinear)});
    scene.animate(dropNode, kChannelScaleY, kRepeat, kRepeat,
                  {key(0, 0.5f, kKeySmooth), key(20, 1.3f, kKeySmooth), key(45, 1, kKeySmooth)});

    MeshBuilder basin;
    basin.setMaterial(porcelain);
    basin.setColour({240, 240, 230});
    basin.box(v(0.4f, -1.3f, 0), v(1.3f, 0.1f, 0.9f));
    basin.box(v(0.4f, -1.1f, 0.85f), v(1.3f, 0.15f, 0.05f));
    basin.box(v(0.4f, -1.1f, -0.85f), v(1.3f, 0.15f, 0.05f));
    scene.mesh("BasinMesh", basin.build(), tap);
    return scene.finish();
}

}  // namespace

std::vector<SceneRecipe> setPieceScenes()
{
    return {
        {"scenes/cog.zen", cogScene},
        {"scenes/gold.zen", goldScene},
        {"scenes/stairs.zen", stairsScene},
        {"scenes/tap2.zen", tapScene},
    };
}

}  // namespace velmora::scenegen
