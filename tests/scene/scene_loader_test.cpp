// The .zen reader: chunk walking, every chunk type, load-time links, and hostile input.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/scene/zen_samples.h"

namespace velmora {
namespace {

using testing::loadScene;
using testing::placedAt;

const uint8_t kRed[3] = {255, 0, 0};

TEST(SceneLoader, HeaderOnlyIsEmptyWrongMagicFailsAndUnknownChunksAreSkipped)
{
    ZenWriter writer;
    uint32_t result = 1;
    auto scene = loadScene(writer.bytes(), &result);
    EXPECT_EQ(result, 0u);
    EXPECT_TRUE(scene->empty());

    std::vector<uint8_t> bad = writer.bytes();
    bad[0] = 'B';
    loadScene(bad, &result);
    EXPECT_EQ(result, SceneLoader::kBadMagic);
    std::vector<uint8_t> shortFile(writer.bytes().begin(), writer.bytes().begin() + 7);
    loadScene(shortFile, &result);
    EXPECT_EQ(result, SceneLoader::kBadMagic);

    Scene target;
    SceneLoader loader;
    EXPECT_EQ(loader.Load(0xC30, writer.bytes().data(), 8, &target), 0u);
    EXPECT_EQ(loader.Load(SceneLoader::kFromMemory, nullptr, 8, &target), SceneLoader::kBadMagic);

    // Unknown chunks are skipped; a chunk longer than the file ends reading.
    ZenWriter w;
    w.chunk(0x12345678, 1, "odd", std::vector<uint8_t>(13, 0xEE));
    w.camera(2, "first", 1);
    w.chunk(kChunkCamera, 3, "big", std::vector<uint8_t>(4, 0));
    w.camera(4, "never", 1);
    std::vector<uint8_t> bytes = w.bytes();
    const uint32_t huge = 0xFFFFFFF0;
    std::memcpy(bytes.data() + 8 + kChunkHeaderSize + 13 + kChunkHeaderSize + 4 + 8, &huge, 4);
    scene = loadScene(bytes);
    ASSERT_EQ(scene->cameras.size(), 1u);
    EXPECT_EQ(scene->cameras[0]->name, "first");
}

TEST(SceneLoader, EveryChunkTypeReadsBack)
{
    ZenWriter w;
    w.info();
    w.texture(50, "tex", "fish.tga", "FISH_TGA");
    w.texture(51, "tex2", "env.tga", "");
    w.material(60, "mat", {0.5f, 0.25f, 1, 1}, {1, 1, 1, 1}, {0, 0, 0, 1},
               {{50, 1}, {51, Material::kSphereMap}, {52, 1}});
    w.light(70, "sun", {1, 1, 1, 0});
    w.camera(80, "cam", 0.95f);
    const uint8_t grey[3] = {10, 20, 30};
    w.mesh(90, "quad", testing::quadGeometry(1, grey, 60));
    w.joint(100, "bone", {1, 2, 3}, {0, 0, 0}, {1, 1, 1}, {0, 0, 0}, {0, 0, 0});
    NodeValues v;
    v.position = {1, 2, 3};
    v.rotation = {0.1f, 0.2f, 0.3f};
    v.scale = {4, 5, 6};
    v.pivot = {7, 8, 9};
    v.spare = {10, 11, 12};
    v.offset = {13, 14, 15};
    w.node(110, "box", v);
    w.linkNode(120, "link", v, {{1, 2}, {3, 4}});
    w.track(130, "tx", 2, 7, {{0, 0, 2, 2}, {10, 10, 2, 2}});
    w.binding({{130, 110, kChannelPositionX}});
    w.hierarchy({{110, {80, 90}}});
    w.marker(140, "mark");
    uint32_t result = 1;
    auto scene = loadScene(w.bytes(), &result);
    ASSERT_EQ(result, 0u);

    ASSERT_EQ(scene->textures.size(), 2u);
    EXPECT_EQ(scene->textures[1]->texture.fileName(), "env.tga");
    ASSERT_EQ(scene->materials.size(), 1u);
    const Material& m = *scene->materials[0];
    EXPECT_FLOAT_EQ(m.colours[0][1], 0.25f);
    EXPECT_FLOAT_EQ(m.colours[1][0], 0.0f);  // the second colour is never filled
    EXPECT_FLOAT_EQ(m.colours[2][0], 1.0f);
    EXPECT_EQ(m.mapCount, 3u);
    EXPECT_EQ(m.maps[1].flags, Material::kSphereMap);
    EXPECT_FLOAT_EQ(scene->lights.at(0)->colour[3], 0.0f);
    EXPECT_FLOAT_EQ(scene->cameras.at(0)->fieldOfView, 0.95f);
    ASSERT_EQ(scene->meshes.size(), 1u);
    EXPECT_EQ(scene->meshes[0]->geometry.triangleCount(), 2u);
    EXPECT_EQ(scene->meshes[0]->geometry.colours[4 * 5 + 2], 30);
    EXPECT_FLOAT_EQ(scene->joints.at(0)->values.position.z, 3.0f);
    ASSERT_EQ(scene->nodes.size(), 1u);
    const TransformNode& node = *scene->nodes[0];
    EXPECT_EQ(node.name, "box");
    EXPECT_EQ(node.id, 110u);
    EXPECT_FLOAT_EQ(node.values.spare.z, 12.0f);
    EXPECT_FLOAT_EQ(node.values.offset.x, 13.0f);
    ASSERT_EQ(scene->linkNodes.size(), 1u);
    EXPECT_FLOAT_EQ(scene->linkNodes[0]->values.offset.x, 0.0f);  // link nodes carry no offset
    EXPECT_EQ(scene->linkNodes[0]->objectIds, (std::vector<uint32_t>{1, 3}));
    EXPECT_EQ(scene->linkNodes[0]->pairValues, (std::vector<uint32_t>{2, 4}));
    ASSERT_EQ(scene->tracks.size(), 1u);
    EXPECT_EQ(scene->tracks[0]->preBehaviour, 2u);
    EXPECT_EQ(scene->tracks[0]->keys.size(), 2u);
    EXPECT_EQ(node.channels[0], scene->tracks[0].get());
    EXPECT_TRUE(node.animated);
    EXPECT_EQ(scene->cameras[0]->parent, scene->nodes[0].get());
    EXPECT_EQ(scene->meshes[0]->parent, scene->nodes[0].get());
    EXPECT_EQ(node.children.size(), 2u);
    ASSERT_EQ(scene->markers.size(), 1u);
    EXPECT_EQ(scene->markers[0]->id, 0u);  // markers take neither id nor name
    EXPECT_TRUE(scene->markers[0]->name.empty());
}

TEST(SceneLoader, TrackWithoutKeysLeavesNothingAndItsBindingIsSkipped)
{
    ZenWriter w;
    w.node(1, "n", placedAt(0, 0, 0));
    w.track(2, "empty", 0, 0, {});
    w.track(3, "ok", 0, 0, {{0, 5, 2, 2}});
    w.binding({{2, 1, kChannelPositionX}, {3, 1, kChannelPositionY}, {3, 999, kChannelScaleX},
               {3, 1, 0}});
    auto scene = loadScene(w.bytes());
    ASSERT_EQ(scene->tracks.size(), 1u);
    EXPECT_EQ(scene->tracks[0]->id, 3u);
    const TransformNode& node = *scene->nodes[0];
    EXPECT_EQ(node.channels[0], nullptr);
    EXPECT_EQ(node.channels[1], scene->tracks[0].get());
    for (int i = 2; i < TransformNode::kChannelCount; ++i)
        EXPECT_EQ(node.channels[i], nullptr) << i;
}

// A binding's target is searched among nodes, joints, link nodes, then lights.
TEST(SceneLoader, BindingTargetsSearchNodesJointsLinkNodesThenLights)
{
    ZenWriter w;
    w.light(5, "light", {1, 1, 1, 0});
    w.joint(5, "joint", {}, {}, {1, 1, 1}, {}, {});
    w.light(6, "light2", {1, 1, 1, 0});
    w.track(9, "t", 0, 0, {{0, 1, 2, 2}});
    w.binding({{9, 5, kChannelRotationZ}, {9, 6, kChannelGreen}, {9, 6, kChannelRotationX}});
    auto scene = loadScene(w.bytes());
    EXPECT_EQ(scene->joints[0]->channels[5], scene->tracks[0].get());
    EXPECT_FALSE(scene->lights[0]->animated);
    EXPECT_EQ(scene->lights[1]->channels[1], scene->tracks[0].get());
    EXPECT_EQ(scene->lights[1]->channels[0], nullptr);
}

TEST(SceneLoader, ChildUnderTwoParentsStaysInBothListsAndLoopsAreRefused)
{
    ZenWriter w;
    w.node(1, "a", placedAt(1, 0, 0));
    w.node(2, "b", placedAt(0, 1, 0));
    w.node(3, "c", placedAt(0, 0, 1));
    w.hierarchy({{1, {3}}, {2, {3}}, {77, {3}}, {1, {88}}});
    auto scene = loadScene(w.bytes());
    TransformNode* a = scene->nodes[0].get();
    TransformNode* b = scene->nodes[1].get();
    TransformNode* c = scene->nodes[2].get();
    EXPECT_EQ(c->parent, b);
    ASSERT_EQ(a->children.size(), 1u);
    EXPECT_EQ(a->children[0], c);
    ASSERT_EQ(b->children.size(), 1u);
    EXPECT_EQ(b->children[0], c);

    // The walk places c under its parent b only.
    scene->Prepare();
    EXPECT_FLOAT_EQ(c->world[12], 0.0f);
    EXPECT_FLOAT_EQ(c->world[13], 1.0f);
    EXPECT_FLOAT_EQ(c->world[14], 1.0f);

    // A hierarchy that loops is refused, and preparation ends.
    ZenWriter loop;
    loop.node(1, "a", placedAt(0, 0, 0));
    loop.node(2, "b", placedAt(0, 0, 0));
    loop.hierarchy({{1, {2}}, {2, {1}}, {2, {2}}});
    auto looped = loadScene(loop.bytes());
    EXPECT_EQ(looped->nodes[1]->parent, looped->nodes[0].get());
    EXPECT_EQ(looped->nodes[0]->parent, nullptr);
    EXPECT_TRUE(looped->nodes[1]->children.empty());
    looped->Prepare();
    looped->Update(1);
}

// A chain 200,000 levels deep, listed from the top: linked in linear time and placed without
// recursion. A child that has children of its own is looked for only so far up its new parent.
TEST(SceneLoader, DeepChainLoadsAndIsPlacedWithoutRecursion)
{
    constexpr uint32_t kLevels = 200000;
    ZenWriter w;
    std::vector<ZenHierarchyGroup> links;
    for (uint32_t id = 1; id <= kLevels; ++id) {
        w.node(id, "n", placedAt(0, 1, 0));
        if (id > 1)
            links.push_back({id - 1, {id}});
    }
    w.hierarchy(links);
    auto scene = loadScene(w.bytes());
    ASSERT_EQ(scene->nodes.size(), kLevels);
    EXPECT_EQ(scene->nodes.back()->parent, scene->nodes[kLevels - 2].get());
    scene->Prepare();
    EXPECT_FLOAT_EQ(scene->nodes.back()->world[13], float(kLevels));

    // Hanging the chain's top (which has children) under its own bottom would close a loop, and
    // the search for it stops after 1024 levels with a message.
    ZenWriter loop;
    for (uint32_t id = 1; id <= 2000; ++id)
        loop.node(id, "n", placedAt(0, 1, 0));
    std::vector<ZenHierarchyGroup> chain;
    for (uint32_t id = 1; id < 2000; ++id)
        chain.push_back({id, {id + 1}});
    chain.push_back({2000, {1}});
    chain.push_back({500, {1}});  // 499 levels up from 500: found and refused, no message
    loop.hierarchy(chain);
    ::testing::internal::CaptureStdout();
    auto looped = loadScene(loop.bytes());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "scene hierarchy deeper than 1024 levels: links below refused\n");
    EXPECT_EQ(looped->nodes[0]->parent, nullptr);
    looped->Prepare();
    EXPECT_FLOAT_EQ(looped->nodes.back()->world[13], 2000.0f);
}

// Also: names are cut to 63 characters and found in any case.
TEST(SceneLoader, FindByIdSearchesMeshesFirstAndMaterialsNeedEarlierTextures)
{
    ZenWriter w;
    w.node(1, std::string(64, 'x'), placedAt(0, 0, 0));
    w.camera(2, "Cam01", 1);
    w.material(7, "early", {1, 1, 1, 1}, {}, {}, {{8, 1}});
    w.texture(8, "t", "a.tga", "");
    w.node(4, "node", placedAt(0, 0, 0));
    w.mesh(4, "mesh", testing::quadGeometry(1, kRed));
    w.material(9, "late", {1, 1, 1, 1}, {}, {}, {{8, 1}});
    auto scene = loadScene(w.bytes());
    EXPECT_EQ(scene->FindById(4), scene->meshes[0].get());
    EXPECT_EQ(scene->FindById(8), scene->textures[0].get());
    EXPECT_EQ(scene->FindById(12345), nullptr);
    EXPECT_EQ(scene->materials[0]->maps[0].textureId, 0u);
    EXPECT_EQ(scene->materials[1]->maps[0].textureId, 8u);
    EXPECT_EQ(scene->nodes[0]->name, std::string(63, 'x'));
    EXPECT_EQ(scene->FindByName("CAM01"), scene->cameras[0].get());
    EXPECT_EQ(scene->FindByName(""), nullptr);
    EXPECT_EQ(scene->FindByName("cam"), nullptr);
}

TEST(SceneLoader, SkinMakesASuppressedSourceAndAnUnlistedCopy)
{
    ZenWriter w;
    w.node(1, "holder", placedAt(0, 0, 0));
    w.mesh(2, "body", testing::quadGeometry(1, kRed));
    w.joint(3, "bone", {}, {}, {1, 1, 1}, {}, {});
    w.hierarchy({{1, {2}}});
    w.skin(4, "skin", 2, {{{3, 1.0f}}, {{3, 0.5f}, {99, 0.5f}}, {}, {{3, 1}}});
    w.skin(5, "lost", 77, {});
    auto scene = loadScene(w.bytes());
    ASSERT_EQ(scene->skins.size(), 1u);
    ASSERT_EQ(scene->meshes.size(), 1u);
    const Skin& skin = *scene->skins[0];
    EXPECT_EQ(skin.source, scene->meshes[0].get());
    EXPECT_TRUE(scene->meshes[0]->suppressed);
    ASSERT_TRUE(skin.deformed);
    EXPECT_EQ(skin.deformed->parent, scene->nodes[0].get());
    EXPECT_EQ(scene->nodes[0]->children.back(), skin.deformed.get());
    ASSERT_EQ(skin.influences.size(), 4u);
    EXPECT_EQ(skin.influences[1].size(), 1u);  // joint 99 does not resolve
    EXPECT_FLOAT_EQ(skin.influences[1][0].weight, 0.5f);
}

// Cut anywhere, a file keeps the chunks before the cut, and the loader tells where the chunk
// that runs past the end begins; a cut between two chunks leaves a whole, shorter file.
TEST(SceneLoader, TruncatedFilesKeepWhatWasReadAndSayWhereTheyWereCut)
{
    ZenWriter w;
    w.info();
    w.node(1, "a", placedAt(0, 0, 0));
    w.mesh(2, "m", testing::quadGeometry(1, kRed));
    w.track(3, "t", 0, 0, {{0, 0, 4, 4}, {5, 1, 4, 4}});
    const std::vector<uint8_t>& full = w.bytes();
    const size_t afterInfo = 8 + kChunkHeaderSize + 536;
    const size_t afterNode = afterInfo + kChunkHeaderSize + 72;
    const size_t afterMesh = afterNode + kChunkHeaderSize + 240;
    for (size_t size = 0; size < full.size(); ++size) {
        // A fresh heap copy of exactly `size` bytes lets the sanitizer build catch any overread.
        std::vector<uint8_t> cut(full.begin(), full.begin() + size);
        Scene scene;
        SceneLoader loader;
        loader.Load(SceneLoader::kFromMemory, cut.data(), uint32_t(size), &scene);
        EXPECT_EQ(scene.nodes.size(), size >= afterNode ? 1u : 0u) << size;
        EXPECT_EQ(scene.meshes.size(), size >= afterMesh ? 1u : 0u) << size;
        EXPECT_TRUE(scene.tracks.empty()) << size;
        const size_t cutChunk = size <= 8 || size == afterInfo || size == afterNode || size == afterMesh ? 0
                                : size < afterInfo                                                   ? 8
                                : size < afterNode                                                   ? afterInfo
                                : size < afterMesh                                                   ? afterNode
                                                                                                     : afterMesh;
        EXPECT_EQ(loader.cutChunkOffset(), cutChunk) << size;
    }
    SceneLoader loader;
    Scene scene;
    loader.Load(SceneLoader::kFromMemory, full.data(), uint32_t(full.size()), &scene);
    EXPECT_EQ(scene.tracks.size(), 1u);
    EXPECT_EQ(loader.cutChunkOffset(), 0u);
}

TEST(SceneLoader, LyingCountsDropOnlyTheirChunk)
{
    void (*const quad)(ZenWriter&) = [](ZenWriter& w) { w.mesh(1, "m", testing::quadGeometry(1, kRed)); };
    struct Case {
        const char* what;
        void (*write)(ZenWriter&);
        size_t offset;
        uint32_t value;
    };
    const Case cases[] = {
        {"vertices", quad, 0, 0x10000000},
        {"triangles", quad, 4 + 48, 3},
        {"index", quad, 4 + 48 + 4 + 8, 4},
        {"coordinate sets", quad, 4 + 48 + 4 + 24, 0xFFFFFFFF},
        {"group past the triangles", quad, 232, 2},
        {"groups not ascending",
         [](ZenWriter& w) {
             MeshGeometry g = testing::quadGeometry(1, kRed);
             g.groupLast = {1, 0};
             g.groupMaterialIds = {0, 0};
             w.mesh(1, "m", g);
         },
         0, 4},
        {"keys", [](ZenWriter& w) { w.track(1, "t", 0, 0, {{0, 1, 2, 2}}); }, 8, 2},
        {"influences", [](ZenWriter& w) { w.skin(1, "s", 1, {{{1, 1}}}); }, 8, 0x7FFFFFFF},
        {"negative influences", [](ZenWriter& w) { w.skin(1, "s", 1, {{{1, 1}}}); }, 8,
         0xFFFFFFFF},
        {"maps", [](ZenWriter& w) { w.material(1, "m", {}, {}, {}, {{1, 1}}); }, 48, 2},
        {"pairs", [](ZenWriter& w) { w.linkNode(1, "l", {}, {{1, 1}}); }, 60, 2},
        {"texture name", [](ZenWriter& w) { w.texture(1, "t", "a.tga", "A_TGA"); }, 0, 100},
        {"second name", [](ZenWriter& w) { w.texture(1, "t", "a.tga", "A_TGA"); }, 9, 6},
    };
    for (const Case& c : cases) {
        ZenWriter w;
        c.write(w);
        w.camera(99, "after", 1);
        std::vector<uint8_t> bytes = w.bytes();
        std::memcpy(bytes.data() + 8 + kChunkHeaderSize + c.offset, &c.value, 4);  // in the first chunk
        uint32_t result = 1;
        auto scene = loadScene(bytes, &result);
        EXPECT_EQ(result, 0u) << c.what;
        EXPECT_TRUE(scene->meshes.empty() && scene->tracks.empty() && scene->skins.empty() &&
                    scene->materials.empty() && scene->linkNodes.empty() &&
                    scene->textures.empty())
            << c.what;
        EXPECT_EQ(scene->cameras.size(), 1u) << c.what;
    }
}

TEST(SceneLoader, LyingHierarchyAndBindingCountsChangeNothing)
{
    ZenWriter w;
    w.node(1, "a", placedAt(0, 0, 0));
    w.node(2, "b", placedAt(0, 0, 0));
    w.track(3, "t", 0, 0, {{0, 1, 2, 2}});
    w.hierarchy({{1, {2}}, {2, {}}});
    w.binding({{3, 1, kChannelPositionX}});
    std::vector<uint8_t> bytes = w.bytes();
    const size_t hierarchyPayload = 8 + 2 * (kChunkHeaderSize + 72) + kChunkHeaderSize + 28 +
                                    kChunkHeaderSize;
    const uint32_t tooMany = 3;
    std::memcpy(bytes.data() + hierarchyPayload + 20, &tooMany, 4);  // second group's k
    const size_t bindingPayload = hierarchyPayload + 24 + kChunkHeaderSize;
    std::memcpy(bytes.data() + bindingPayload, &tooMany, 4);
    auto scene = loadScene(bytes);
    EXPECT_EQ(scene->nodes[1]->parent, nullptr);
    EXPECT_TRUE(scene->nodes[0]->children.empty());
    EXPECT_FALSE(scene->nodes[0]->animated);
}

}  // namespace
}  // namespace velmora
