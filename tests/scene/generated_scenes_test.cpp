// The show's generated scenes: exact chunk framing, the cameras and loop lengths their effects
// rely on, the key types and behaviours they exercise, textures that exist, and a fish whose
// skin rests exactly in its bind pose.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "tests/scene/zen_samples.h"
#include "tools/scenegen/scenes.h"
#include "tools/texgen/recipes.h"

namespace velmora {
namespace {

std::map<std::string, std::vector<uint8_t>> generated()
{
    std::map<std::string, std::vector<uint8_t>> files;
    for (const scenegen::SceneRecipe& recipe : scenegen::allScenes())
        files[recipe.path] = recipe.make();
    return files;
}

std::unique_ptr<Scene> load(const std::vector<uint8_t>& bytes)
{
    uint32_t result = 1;
    auto scene = testing::loadScene(bytes, &result);
    EXPECT_EQ(result, 0u);
    return scene;
}

float lastKeyTime(const Scene& scene)
{
    float last = 0;
    for (const auto& track : scene.tracks)
        last = std::max(last, track->keys.back().time);
    return last;
}

TEST(GeneratedScenes, EveryFileReadsToItsExactEndAndIsDeterministic)
{
    const auto files = generated();
    EXPECT_EQ(files.size(), 8u);
    for (const auto& [path, bytes] : files) {
        ASSERT_GE(bytes.size(), 8u + kChunkHeaderSize) << path;
        EXPECT_EQ(std::memcmp(bytes.data(), "AZEN", 4), 0) << path;
        uint32_t type;
        std::memcpy(&type, bytes.data() + 8, 4);
        EXPECT_EQ(type, kChunkInfo) << path << ": the info chunk comes first";
        size_t position = 8;
        while (position + kChunkHeaderSize <= bytes.size()) {
            uint32_t length;
            std::memcpy(&length, bytes.data() + position + 8, 4);
            position += kChunkHeaderSize + length;
        }
        EXPECT_EQ(position, bytes.size()) << path;
    }
    EXPECT_EQ(files, generated());
}

// The effects that play these files find their cameras (the fixed scenes by number, the free ones
// by name), loop lengths, a parent for every camera and mesh, and textures the generator makes.
TEST(GeneratedScenes, EffectsFindTheirCamerasAndLoopLengths)
{
    const auto files = generated();
    std::set<std::string> madeTextures;
    for (const texgen::Recipe& recipe : texgen::allRecipes())
        madeTextures.insert(recipe.path);
    const struct {
        const char* path;
        size_t cameras;  // at least
        float frames;    // 0: any
        std::vector<const char*> names;
    } expected[] = {
        {"scenes/cog.zen", 1, 360, {}},
        {"scenes/gold.zen", 5, 900, {"Front", "Top", "Side", "Persp"}},
        {"scenes/stairs.zen", 7, 360, {}},
        {"scenes/fish.zen", 5, 900, {}},
        {"scenes/headlook.zen", 0, 600, {}},
        {"scenes/tap2.zen", 0, 360, {}},
        {"scenes/orbit.zen", 4, 0, {"Wide", "Close", "Polar", "Ground"}},
        {"scenes/pillars.zen", 4, 0, {"Hall", "Fly", "Low", "Bear"}},
    };
    for (const auto& e : expected) {
        ASSERT_TRUE(files.count(e.path)) << e.path;
        auto scene = load(files.at(e.path));
        ASSERT_GE(scene->cameras.size(), e.cameras) << e.path;
        for (const auto& camera : scene->cameras)
            EXPECT_NE(camera->parent, nullptr) << e.path << " " << camera->name;
        if (e.frames > 0) {
            EXPECT_FLOAT_EQ(lastKeyTime(*scene), e.frames) << e.path;
        }
        EXPECT_FALSE(scene->meshes.empty()) << e.path;
        for (const auto& mesh : scene->meshes)
            EXPECT_NE(mesh->parent, nullptr) << e.path << " " << mesh->name;
        for (const auto& texture : scene->textures)
            EXPECT_TRUE(madeTextures.count("textures/" + texture->texture.fileName())) << e.path << " names " << texture->texture.fileName();
        for (size_t i = 0; i < e.names.size(); ++i) {
            SceneItem* found = scene->FindByName(e.names[i]);
            ASSERT_NE(found, nullptr) << e.path << " " << e.names[i];
            EXPECT_EQ(found->tag, kTagCamera);
            if (e.frames > 0) {  // a fixed scene is viewed by camera number: the standard views first
                EXPECT_EQ(found, scene->cameras[i].get());
            }
        }
    }
}

TEST(GeneratedScenes, FishSkinRestsInItsBindPose)
{
    auto fish = load(generated().at("scenes/fish.zen"));
    ASSERT_EQ(fish->skins.size(), 1u);
    const Skin& skin = *fish->skins[0];
    ASSERT_EQ(skin.influences.size(), skin.source->geometry.positions.size());
    for (const auto& influences : skin.influences) {
        float sum = 0;
        for (const SkinInfluence& influence : influences)
            sum += influence.weight;
        EXPECT_NEAR(sum, 1.0f, 1e-5f);
    }
    fish->Prepare();
    fish->Update(0);
    const auto& rest = skin.source->geometry.positions;
    const auto& posed = skin.deformed->geometry.positions;
    for (size_t i = 0; i < rest.size(); ++i) {
        ASSERT_NEAR(posed[i].x, rest[i].x, 1e-4f) << i;
        ASSERT_NEAR(posed[i].y, rest[i].y, 1e-4f) << i;
        ASSERT_NEAR(posed[i].z, rest[i].z, 1e-4f) << i;
    }
}

// `tap` after `camrand` looks at the middle of its nine copies (4 apart) from one of 360 points 2
// to 3.5 units away: from every one of them, at every frame, each copy must fit well inside the
// 45-degree view instead of filling it.
TEST(GeneratedScenes, TapStandsClearOfEveryRandomViewpoint)
{
    auto tap = load(generated().at("scenes/tap2.zen"));
    float radius = 0;  // of the ball around the origin that holds the tap at every frame
    for (float frame = 0; frame < 360; frame += 5) {
        tap->time = frame;
        tap->Update(0);
        for (const auto& mesh : tap->meshes) {
            ASSERT_NE(mesh->parent, nullptr);
            const Matrix4& m = mesh->parent->world;
            for (const Vec3f& p : mesh->geometry.positions) {
                const float x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
                const float y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
                const float z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
                radius = std::max(radius, std::sqrt(x * x + y * y + z * z));
            }
        }
    }
    ASSERT_GT(radius, 0.3f) << "the tap is there";
    for (int degrees = 0; degrees < 360; ++degrees) {
        const float a = degrees * 0.017452778f;
        const float eye[3] = {2 * std::sin(a), 2 * std::cos(a), 2 * std::sin(a) + 2 * std::cos(a)};
        for (float cx : {-4.0f, 0.0f, 4.0f})
            for (float cz : {-4.0f, 0.0f, 4.0f}) {
                const float dx = eye[0] - cx, dy = eye[1], dz = eye[2] - cz;
                const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
                EXPECT_LT(radius / distance, 0.45f) << degrees << " degrees, copy at " << cx << "," << cz;
            }
    }
}

}  // namespace
}  // namespace velmora
