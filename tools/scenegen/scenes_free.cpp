// Scenes for the general `3dscene` effect, with named cameras for the script to choose: a
// small planetary system and a hall of pillars.
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

// ---- orbit.zen: planets and a moon around a sun, 720 frames --------------------------------

std::vector<uint8_t> orbitScene()
{
    SceneBuilder scene;
    const uint32_t planetMap = scene.texture("planet.tga");
    const uint32_t sunMaterial = scene.material("SunSurface", {1, 0.9f, 0.4f, 1});
    const uint32_t planetMaterial = scene.material("Planet", {1, 1, 1, 1}, {{planetMap, 1}});
    const uint32_t rock = scene.material("Rock", {0.6f, 0.6f, 0.6f, 1});

    // The light cycles from warm white through orange and back.
    const uint32_t light = scene.light("SunLight", {1, 1, 1, 0}, scene.node("SunLightNode", at(0, 10, 10)));
    scene.animate(light, kChannelRed, kRepeat, kRepeat, {key(0, 1, kKeySmooth), key(720, 1, kKeySmooth)});
    scene.animate(light, kChannelGreen, kRepeat, kRepeat,
                  {key(0, 1, kKeySmooth), key(360, 0.7f, kKeySmooth), key(720, 1, kKeySmooth)});
    scene.animate(light, kChannelBlue, kRepeat, kRepeat,
                  {key(0, 0.9f, kKeySmooth), key(360, 0.4f, kKeySmooth), key(720, 0.9f, kKeySmooth)});

    standardCameras(scene, 30);
    scene.camera("Wide", scene.node("WideNode", lookAt({0, 12, 30}, {0, 0, 0})));
    scene.camera("Polar", scene.node("PolarNode", lookAt({0.01f, 36, 0}, {0, 0, 0})));
    const uint32_t swing = scene.node("CloseNode", lookAt({14, 3, 10}, {0, 0, 0}));
    scene.camera("Close", swing);
    scene.animate(swing, kChannelPositionY, kRepeat, kRepeat,
                  {key(0, 3, kKeySmooth), key(360, 8, kKeySmooth), key(720, 3, kKeySmooth)});
    // Low over the ground of a `rigid` effect drawn in this view (its top at y = -7), between
    // two of its outer bodies: the ground ends at a horizon below the sun and the sky shows above.
    scene.camera("Ground", scene.node("GroundNode", lookAt({21, -4.5f, 21}, {0, -2, 0})));

    MeshBuilder sun;
    sun.setMaterial(sunMaterial);
    sun.setColour({255, 220, 90});
    sun.ellipsoid({0, 0, 0}, {2.5f, 2.5f, 2.5f}, 12, 20);
    const uint32_t sunNode = scene.node("Sun", at(0, 0, 0));
    scene.mesh("SunMesh", sun.build(), sunNode);
    scene.animate(sunNode, kChannelRotationY, kRepeat, kRepeat,
                  {key(0, 0, kKeyLinear), key(720, 2 * kPi, kKeyLinear)});

    struct Planet {
        const char* name;
        float distance, size, turns;  // turns of the orbit in 720 frames
        Rgb colour;
    };
    const Planet planets[] = {
        {"Ember", 5, 0.5f, 4, {255, 120, 80}},
        {"Tide", 9, 1.1f, 2, {120, 180, 255}},
        {"Dust", 14, 0.8f, 1, {220, 200, 150}},
    };
    uint32_t tideNode = 0;
    for (const Planet& p : planets) {
        const uint32_t orbit = scene.node(std::string(p.name) + "Orbit", at(0, 0, 0));
        scene.animate(orbit, kChannelRotationY, kRepeat, kRepeat,
                      {key(0, 0, kKeyLinear), key(720, p.turns * 2 * kPi, kKeyLinear)});
        const uint32_t body = scene.node(p.name, at(p.distance, 0, 0), orbit);
        MeshBuilder mesh;
        mesh.setMaterial(planetMaterial);
        mesh.setColour(p.colour);
        mesh.ellipsoid({0, 0, 0}, {p.size, p.size, p.size}, 10, 16);
        scene.mesh(std::string(p.name) + "Mesh", mesh.build(), body);
        if (std::string(p.name) == "Tide")
            tideNode = body;
    }
    const uint32_t moonOrbit = scene.node("MoonOrbit", at(0, 0, 0), tideNode);
    scene.animate(moonOrbit, kChannelRotationY, kRepeat, kRepeat,
                  {key(0, 0, kKeyLinear2), key(720, 8 * 2 * kPi, kKeyLinear2)});
    const uint32_t moon = scene.node("Moon", at(2, 0.3f, 0), moonOrbit);
    MeshBuilder moonMesh;
    moonMesh.setMaterial(rock);
    moonMesh.setColour({200, 200, 200});
    moonMesh.ellipsoid({0, 0, 0}, {0.3f, 0.3f, 0.3f}, 6, 10);
    scene.mesh("MoonMesh", moonMesh.build(), moon);

    // A probe parked beside the outer planet; its link node records which bodies it watches.
    const uint32_t probe = scene.linkNode("Probe", at(-12, 4, 6), {{tideNode, 1}, {moon, 2}});
    MeshBuilder probeMesh;
    probeMesh.setMaterial(rock);
    probeMesh.setColour({230, 230, 240});
    probeMesh.box({0, 0, 0}, {0.3f, 0.3f, 0.3f});
    probeMesh.box({0, 0, 0}, {1.2f, 0.05f, 0.4f});
    scene.mesh("ProbeMesh", probeMesh.build(), probe);
    scene.animate(probe, kChannelRotationX, kRepeat, kRepeat,
                  {key(0, 0, kKeyLinear), key(720, 2 * kPi, kKeyLinear)});
    scene.marker("OrbitStart");
    return scene.finish();
}

// ---- pillars.zen: a hall of polished pillars, a grate and a floating relic, 600 frames -----

std::vector<uint8_t> pillarsScene()
{
    SceneBuilder scene;
    const uint32_t stoneMap = scene.texture("stone.tga");
    const uint32_t chrome = scene.texture("chrome.tga");
    const uint32_t grateMap = scene.texture("alphagrate.tga");
    // Stone with the environment added on the second unit.
    const uint32_t polished = scene.material("PolishedStone", {1, 1, 1, 1},
                                             {{stoneMap, 1}, {chrome, 4}});
    const uint32_t floorMaterial = scene.material("Floor", {0.7f, 0.7f, 0.7f, 1}, {{stoneMap, 1}});
    const uint32_t grate = scene.material("Grate", {1, 1, 1, 1}, {{grateMap, 1}});
    const uint32_t relicMaterial = scene.material("Relic", {1, 0.85f, 0.4f, 1}, {{chrome, 4}});
    scene.light("HallLight", {1, 1, 1, 0}, scene.node("HallLightNode", at(4, 12, 10)));

    standardCameras(scene, 24, {0, 3, -6});
    scene.camera("Hall", scene.node("HallNode", lookAt({0, 3, 14}, {0, 2.5f, -10})));
    scene.camera("Low", scene.node("LowNode", lookAt({1.5f, 0.4f, 9}, {0, 4, -8})));
    const uint32_t fly = scene.node("FlyNode", lookAt({0, 5.5f, 12}, {0, 3, -20}));
    scene.camera("Fly", fly);
    scene.animate(fly, kChannelPositionZ, kRepeat, kRepeat,
                  {key(0, 12, kKeySmooth), key(300, -6, kKeySmooth), key(600, 12, kKeySmooth)});
    scene.animate(fly, kChannelPositionX, kRepeat, kRepeat,
                  {key(0, 0, kKeySmooth), key(150, 1.5f, kKeySmooth), key(450, -1.5f, kKeySmooth),
                   key(600, 0, kKeySmooth)});
    // Close to a `teddy` drawn in this view (it stands at the origin facing -z), pushing in
    // slowly from 1.3 times as far along the line of sight.
    const uint32_t bear = scene.node("BearNode", lookAt({1, 0.3f, -2.2f}, {0, -0.15f, 0}));
    scene.camera("Bear", bear);
    scene.animate(bear, kChannelPositionX, kRepeat, kRepeat,
                  {key(0, 1.3f, kKeySmooth), key(300, 1, kKeySmooth), key(600, 1.3f, kKeySmooth)});
    scene.animate(bear, kChannelPositionY, kRepeat, kRepeat,
                  {key(0, 0.435f, kKeySmooth), key(300, 0.3f, kKeySmooth), key(600, 0.435f, kKeySmooth)});
    scene.animate(bear, kChannelPositionZ, kRepeat, kRepeat,
                  {key(0, -2.86f, kKeySmooth), key(300, -2.2f, kKeySmooth), key(600, -2.86f, kKeySmooth)});

    MeshBuilder pillars;
    pillars.setMaterial(polished);
    pillars.setColour({240, 235, 225});
    for (int row = 0; row < 5; ++row)
        for (float x : {-3.5f, 3.5f}) {
            const float z = 6 - row * 4.5f;
            pillars.cylinder({x, -1, z}, 0.6f, 7, 14);
            pillars.box({x, -0.8f, z}, {0.9f, 0.2f, 0.9f});
            pillars.box({x, 6.1f, z}, {0.9f, 0.2f, 0.9f});
        }
    scene.mesh("Pillars", pillars.build(2), scene.node("PillarsNode", at(0, 0, 0)));

    MeshBuilder floor;
    floor.setMaterial(floorMaterial);
    floor.setColour({200, 200, 200});
    for (int z = 0; z < 7; ++z)
        floor.flatQuad({-6, -1, 9 - z * 4.0f}, {6, -1, 9 - z * 4.0f}, {6, -1, 5 - z * 4.0f},
                       {-6, -1, 5 - z * 4.0f});
    scene.mesh("FloorMesh", floor.build(), scene.node("FloorNode", at(0, 0, 0)));

    MeshBuilder panel;
    panel.setMaterial(grate);
    panel.setColour({255, 255, 255});
    panel.flatQuad({-3, -1, 0}, {3, -1, 0}, {3, 5, 0}, {-3, 5, 0});
    scene.mesh("GrateMesh", panel.build(), scene.node("GrateNode", at(0, 0, -15)));

    MeshBuilder relic;
    relic.setMaterial(relicMaterial);
    relic.setColour({255, 215, 120});
    relic.box({0, 0, 0}, {0.8f, 0.8f, 0.8f});
    relic.ellipsoid({0, 0, 0}, {1.1f, 0.3f, 1.1f}, 6, 16);
    const uint32_t relicNode = scene.node("Relic", at(0, 2.5f, -4));
    scene.mesh("RelicMesh", relic.build(), relicNode);
    scene.animate(relicNode, kChannelRotationY, kRepeat, kRepeat,
                  {key(0, 0, kKeyLinear), key(600, 4 * kPi, kKeyLinear)});
    scene.animate(relicNode, kChannelRotationX, kRepeat, kRepeat,
                  {key(0, 0, kKeyLinear2), key(600, 2 * kPi, kKeyLinear2)});
    scene.animate(relicNode, kChannelPositionY, kRepeat, kRepeat,
                  {key(0, 2.5f, kKeySmooth), key(150, 3.2f, kKeySmooth), key(300, 2.5f, kKeySmooth),
                   key(450, 3.2f, kKeySmooth), key(600, 2.5f, kKeySmooth)});
    scene.animate(relicNode, kChannelScaleX, kRepeat, kRepeat,
                  {key(0, 1, kKeyFlat), key(300, 1.3f, kKeyFlat), key(600, 1, kKeyFlat)});
    scene.animate(relicNode, kChannelScaleZ, kRepeat, kRepeat,
                  {key(0, 1, kKeyFlat), key(300, 1.3f, kKeyFlat), key(600, 1, kKeyFlat)});
    return scene.finish();
}

}  // namespace

std::vector<SceneRecipe> freeScenes()
{
    return {
        {"scenes/orbit.zen", orbitScene},
        {"scenes/pillars.zen", pillarsScene},
    };
}

void standardCameras(SceneBuilder& scene, float distance, Vec3f target)
{
    const Vec3f t = target;
    scene.camera("Front", scene.node("FrontNode", lookAt({t.x, t.y, t.z + distance}, t)));
    scene.camera("Top", scene.node("TopNode", lookAt({t.x, t.y + distance, t.z + 0.001f}, t)));
    scene.camera("Side", scene.node("SideNode", lookAt({t.x + distance, t.y, t.z}, t)));
    const float d = distance * 0.6f;
    scene.camera("Persp", scene.node("PerspNode", lookAt({t.x + d, t.y + d, t.z + d}, t)));
}

std::vector<SceneRecipe> allScenes()
{
    std::vector<SceneRecipe> all;
    for (auto group : {setPieceScenes, creatureScenes, freeScenes}) {
        const std::vector<SceneRecipe> recipes = group();
        all.insert(all.end(), recipes.begin(), recipes.end());
    }
    return all;
}

}  // namespace velmora::scenegen
