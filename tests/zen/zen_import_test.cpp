// velmora-zen: models imported, read back with the player's loader and drawn on the offscreen
// context; what carried over and what was warned about; bad models end with one line and
// status 1. Models come from Debian's assimp-testmodels (skipped when absent) and from files
// the tests write.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include "tests/scene/zen_samples.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/temp_data_dir.h"
#include "tools/zen/gltf_export.h"
#include "tools/zen/model_reader.h"
#include "tools/zen/scene_info.h"
#include "tools/zen/zen_import.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = "/usr/share/assimp/models";  // installed by scripts/install-deps
const fs::path kOwnModels = fs::path(VELMORA_SOURCE_DIR) / "tests/data/zen";

// Models the tests write into their data folder, by file name.
const std::pair<const char*, const char*> kWrittenModels[] = {
    // A unit quad facing +z, its texture named so that the player's rules must rename it.
    {"quad.obj", "mtllib quad.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
                 "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\nusemtl leaf\nf 1/1/1 2/2/1 3/3/1 4/4/1\n"},
    {"quad.mtl", "newmtl leaf\nKd 1 1 1\nmap_Kd Green_Leaf.TGA\n"},
    {"index.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n"},
    {"nan.obj", "v nan 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
    {"loop.gltf", R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
                  R"("nodes":[{"children":[1]},{"children":[0]}]})"},
    {"cut.glb", "glTF\x02"},  // a binary glTF header cut short
    // A grey cube with neither camera nor light.
    {"cube.obj", "mtllib cube.mtl\nv -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\n"
                 "v -1 1 1\nvn 0 0 -1\nvn 0 0 1\nvn -1 0 0\nvn 1 0 0\nvn 0 -1 0\nvn 0 1 0\nusemtl grey\n"
                 "f 1//1 4//1 3//1 2//1\nf 5//2 6//2 7//2 8//2\nf 1//3 5//3 8//3 4//3\nf 2//4 3//4 7//4 6//4\n"
                 "f 1//5 2//5 6//5 5//5\nf 4//6 8//6 7//6 3//6\n"},
    {"cube.mtl", "newmtl grey\nKd 0.8 0.8 0.8\n"},
};

class ZenImport : public testing::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        for (const auto& [name, text] : kWrittenModels)
            data.write(std::string("models/") + name, text);
        data.write("models/Green_Leaf.TGA", testing::solidTga24(8, 8, 0, 255, 0));
    }

    // A written model's path, one of tests/data/zen, or a corpus model's; empty when the corpus
    // file is missing.
    fs::path model(const std::string& name) const
    {
        if (fs::exists(models / name))
            return models / name;
        if (fs::exists(kOwnModels / name))
            return kOwnModels / name;
        return fs::exists(kCorpus / name) ? kCorpus / name : fs::path();
    }

    // Imports `path`, stores its textures where the player looks for them, and loads and
    // prepares the scene with the player's loader.
    std::unique_ptr<Scene> import(const fs::path& path, zen::ImportResult& result, float scale = 1)
    {
        zen::ModelFile file;
        std::string error;
        EXPECT_TRUE(zen::readModel(path.string(), file, error)) << path << ": " << error;
        if (!file.scene)
            return nullptr;
        result = zen::convertScene(*file.scene, {scale, path.parent_path()});
        for (const zen::TextureFile& texture : result.textures)
            data.write("data/textures/" + texture.name, texture.tga);
        uint32_t loaded = 1;
        auto scene = testing::loadScene(result.zen, &loaded);
        EXPECT_EQ(loaded, 0u);
        scene->Prepare();
        return scene;
    }

    // The scene at `frame`, drawn from the camera named `camera` as 3dscene draws it.
    void drawAt(Scene& scene, const char* camera, float frame)
    {
        scene.time = frame;
        scene.Update(0);
        SceneItem* found = scene.FindByName(camera);
        ASSERT_TRUE(found && found->tag == kTagCamera) << camera;
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        applyViewFromNode(static_cast<Camera*>(found)->parent);
        scene.Render();
        glFinish();
    }

    // Share of the picture the model covers, and the centre of what it covers (window pixels).
    double coverage(std::array<double, 2>* centre = nullptr)
    {
        glFinish();
        const auto& p = context->pixels();
        size_t lit = 0;
        double x = 0, y = 0;
        for (size_t i = 0; i < p.size(); i += 4)
            if ((p[i] | p[i + 1] | p[i + 2]) > 8) {
                ++lit;
                x += double(i / 4 % kWidth);
                y += double(i / 4 / kWidth);
            }
        if (centre)
            *centre = {lit ? x / lit : -1, lit ? y / lit : -1};
        return double(lit) / double(p.size() / 4);
    }

    testing::TempDataDir data;
    const fs::path models = data.root() / "models";
};

TEST_F(ZenImport, ModelsAppearWhereTheirCamerasLook)
{
    struct Case {
        const char* model;
        const char* camera;
        double minCoverage, maxCoverage;
        std::array<int, 3> centre;  // expected colour at the centre, -1 where anything goes
        float scale;
    };
    const Case cases[] = {
        // The automatic camera frames the whole quad, seen at a slant, a good part of the
        // picture; the texture shows, green, in the default light.
        {"quad.obj", "auto", 0.12, 0.6, {0, 180, 0}, 1},
        {"glTF2/cameras/Cameras.gltf", "nodes[1]", 0.01, 1, {-1, -1, -1}, 1},
        {"Collada/duck.dae", "camera1", 0.02, 1, {-1, -1, -1}, 1},
        {"Collada/duck.dae", "camera1", 0.02, 1, {-1, -1, -1}, 10},  // the camera scales along
        {"glTF2/BoxTextured-glTF/BoxTextured.gltf", "auto", 0.1, 0.6, {-1, -1, -1}, 1},
    };
    for (const Case& c : cases) {
        const fs::path path = model(c.model);
        if (path.empty()) {
            std::printf("skipped: %s is not installed\n", c.model);
            continue;
        }
        zen::ImportResult result;
        auto scene = import(path, result, c.scale);
        ASSERT_TRUE(scene) << c.model;
        drawAt(*scene, c.camera, 0);
        std::array<double, 2> middle;
        const double covered = coverage(&middle);
        EXPECT_GE(covered, c.minCoverage) << c.model;
        EXPECT_LE(covered, c.maxCoverage) << c.model << ": the model must fit in the picture";
        // Each of these cameras looks at its model: it stands near the middle of the picture.
        EXPECT_NEAR(middle[0], kWidth / 2, kWidth / 5) << c.model;
        EXPECT_NEAR(middle[1], kHeight / 2, kHeight / 4) << c.model;
        const auto centre = pixel(kWidth / 2, kHeight / 2);
        for (int i = 0; i < 3; ++i)
            if (c.centre[i] >= 0) {
                EXPECT_NEAR(centre[i], c.centre[i], 40) << c.model << " channel " << i;
            }
    }
}

// A model without camera and lights, seen by the automatic camera in the default light, shows
// a cube as three faces of three shades, not as one square.
TEST_F(ZenImport, AutomaticViewAndLightShowACubeAsACube)
{
    zen::ImportResult result;
    auto scene = import(model("cube.obj"), result);
    ASSERT_TRUE(scene);
    drawAt(*scene, "auto", 0);
    std::map<int, size_t> shades;  // grey level in steps of 8 -> pixels
    size_t lit = 0;
    const auto& p = context->pixels();
    for (size_t i = 0; i < p.size(); i += 4)
        if (p[i] > 8) {
            ++shades[p[i] / 8];
            ++lit;
        }
    size_t faces = 0;
    for (const auto& [shade, count] : shades)
        faces += count > lit / 10;
    EXPECT_EQ(faces, 3u) << "faces of distinct shades, each a tenth of the cube or more";
    EXPECT_GT(double(lit) / double(p.size() / 4), 0.15);
}

TEST_F(ZenImport, AnimatedModelsMoveAndSkinsBend)
{
    zen::ImportResult result;
    if (const fs::path cube = model("3DS/RotatingCube.3DS"); !cube.empty()) {
        auto scene = import(cube, result);
        ASSERT_TRUE(scene);
        drawAt(*scene, "auto", 0);
        const std::vector<uint8_t> first = context->pixels();
        EXPECT_GT(coverage(), 0.01);
        drawAt(*scene, "auto", 150);
        size_t changed = 0;
        for (size_t i = 0; i < first.size(); ++i)
            changed += std::abs(int(first[i]) - int(context->pixels()[i])) > 8;
        EXPECT_GT(changed, first.size() / 200) << "the picture must change";
    }
    // The skinned strip bends: its foot stays where it is while its top swings aside.
    const fs::path skinned = model("glTF2/simple_skin/simple_skin.gltf");
    if (skinned.empty())
        return;
    auto scene = import(skinned, result);
    ASSERT_TRUE(scene);
    ASSERT_EQ(scene->skins.size(), 1u);
    const auto& source = scene->skins[0]->source->geometry.positions;
    const auto& deformed = scene->skins[0]->deformed->geometry.positions;
    scene->time = 0;
    scene->Update(0);
    const std::vector<Vec3f> straight = deformed;
    scene->time = 180;
    scene->Update(0);
    float footMoved = 0, topMoved = 0;
    for (size_t i = 0; i < source.size(); ++i) {
        const Vec3f& a = straight[i];
        const Vec3f& b = deformed[i];
        float& moved = source[i].y < 0.01f ? footMoved : topMoved;
        moved = std::max(moved, std::hypot(b.x - a.x, b.y - a.y, b.z - a.z));
    }
    EXPECT_LT(footMoved, 1e-3f);
    EXPECT_GT(topMoved, 0.2f);
}

TEST_F(ZenImport, ReportsWhatCarriedOverAndWhatWasDropped)
{
    struct Case {
        const char* model;
        std::vector<const char*> info;      // lines of the info report contain these
        std::vector<const char*> warnings;  // some warning line contains each
    };
    const Case cases[] = {
        {"quad.obj",
         {"meshes (1)", "cameras (1): auto", "lights (1): default-light",
          "leaf: diffuse 1.00 1.00 1.00, maps green-leaf.tga", "textures (1): green-leaf.tga", "frames: no animation"},
         {"no light the player can use"}},
        {"glTF2/simple_skin/simple_skin.gltf",
         {"joints (2)", "skins (1)", "10 vertices", "frames 0 to 495"},
         {}},
        {"3DS/RotatingCube.3DS", {"Box01: rotation x, rotation y, rotation z"}, {}},
        {"Collada/cube_with_2UVs.DAE", {"2 coordinate sets"}, {}},
        {"glTF2/cameras/Cameras.gltf", {"cameras (2): nodes[1], nodes[2]"}, {"fields of view"}},
        {"Collada/duck.dae", {"duckcm.tga"}, {"shininess"}},
        {"FBX/spider.fbx", {"lights (1): Lamp"}, {"directional", "texture files not found"}},
        {"glTF2/glTF-Sample-Models/AnimatedMorphCube-glTF/AnimatedMorphCube.gltf", {}, {"morph"}},
    };
    for (const Case& c : cases) {
        const fs::path path = model(c.model);
        if (path.empty()) {
            std::printf("skipped: %s is not installed\n", c.model);
            continue;
        }
        zen::ImportResult result;
        ASSERT_TRUE(import(path, result)) << c.model;
        std::string report, error;
        ASSERT_TRUE(zen::describeScene(result.zen, report, error)) << error;
        for (const char* expected : c.info)
            EXPECT_NE(report.find(expected), std::string::npos) << c.model << " lacks " << expected << "\n" << report;
        for (const char* expected : c.warnings)
            EXPECT_TRUE(std::any_of(result.warnings.begin(), result.warnings.end(),
                                    [&](const std::string& w) { return w.find(expected) != std::string::npos; }))
                << c.model << " warns of no " << expected;
    }
}

TEST_F(ZenImport, ExportedGltfReadsBackThroughAssimp)
{
    zen::ImportResult result;
    ASSERT_TRUE(import(model("quad.obj"), result));
    const fs::path out = data.root() / "quad.gltf";
    std::vector<std::string> notes;
    std::string error;
    ASSERT_TRUE(zen::exportScene(result.zen, out.string(), notes, error)) << error;
    zen::ModelFile back;
    ASSERT_TRUE(zen::readModel(out.string(), back, error)) << error;
    ASSERT_EQ(back.scene->mNumMeshes, 1u);
    EXPECT_EQ(back.scene->mMeshes[0]->mNumFaces, 2u);
    aiString texture;
    EXPECT_EQ(back.scene->mMaterials[back.scene->mMeshes[0]->mMaterialIndex]->GetTexture(
                  aiTextureType_DIFFUSE, 0, &texture), AI_SUCCESS);
    EXPECT_STREQ(texture.C_Str(), "green-leaf.tga");
    EXPECT_NE(back.scene->mRootNode->FindNode("auto-view"), nullptr);
}

// The tool itself: status 1 and a single line on the error stream, whatever the damage.
TEST_F(ZenImport, BadModelsEndWithOneLineAndStatusOne)
{
    const char* const cases[] = {
        "index.obj", "nan.obj", "loop.gltf", "cut.glb", "missing.obj", "reader-crash.gltf",
        "invalid/OutOfMemory.off", "invalid/empty.3ds", "invalid/malformed.obj",
        "glTF2/RecursiveNodes/RecursiveNodes.gltf",
        "glTF2/BoxWithInfinites-glTF-Binary/BoxWithInfinites.glb",
        "glTF2/IndexOutOfRange/AllIndicesOutOfRange.gltf", "glTF2/wrongTypes/badArray.gltf",
    };
    const fs::path tool = fs::path(VELMORA_BINARY_DIR) / "velmora-zen";
    ASSERT_TRUE(fs::exists(tool));
    for (const char* name : cases) {
        fs::path path = model(name);
        if (path.empty() && std::string(name) != "missing.obj") {
            std::printf("skipped: %s is not installed\n", name);
            continue;
        }
        if (path.empty())
            path = models / name;
        const fs::path errors = data.root() / "errors.txt";
        const std::string command = tool.string() + " import '" + path.string() + "' '" +
                                    (data.root() / "out.zen").string() + "' 2>'" + errors.string() + "'";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << name;
        EXPECT_EQ(WEXITSTATUS(status), 1) << name;
        std::ifstream in(errors);
        std::string first, second;
        std::getline(in, first);
        EXPECT_EQ(first.rfind("velmora-zen: ", 0), 0u) << name << ": " << first;
        EXPECT_FALSE(std::getline(in, second)) << name << ": more than one line: " << second;
    }
}

// The tool in a textures folder shared with other scenes and files: it replaces no other file
// and writes through no link unless --force, names embedded images after their scene; `info`
// fails on a scene cut short while listing what was read, and `export` says it is damaged.
TEST_F(ZenImport, ToolLeavesOtherFilesAloneAndReportsCutScenes)
{
    const fs::path tool = fs::path(VELMORA_BINARY_DIR) / "velmora-zen";
    ASSERT_TRUE(fs::exists(tool));
    const fs::path embedded = model("glTF2/BoxTextured-glTF-Binary/BoxTextured.glb");
    auto text = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    struct Case {
        const char* name;
        std::function<void(const fs::path& root)> prepare;  // root/textures, root/outside, root/scenes
        std::vector<std::string> runs;  // %M models, %T textures, %S scenes; all but the last succeed
        int status;                     // of the last run
        const char* message;            // on the last run's error stream; null: nothing expected
        std::function<void(const fs::path& root)> check;
    };
    const std::string quad = "import %M/quad.obj %S/quad.zen --textures %T";
    const auto cutScene = [](const fs::path& root) {
        ZenWriter w;
        w.info();
        w.node(1, "kept", testing::placedAt(0, 0, 0));
        w.node(2, "cut", testing::placedAt(0, 0, 0));
        std::ofstream(root / "scenes/cut.zen", std::ios::binary)
            .write(reinterpret_cast<const char*>(w.bytes().data()), std::streamsize(w.bytes().size() - 10));
    };
    const Case cases[] = {
        {"another file of the same name",
         [](const fs::path& r) { std::ofstream(r / "textures/green-leaf.tga") << "other"; }, {quad}, 1,
         "green-leaf.tga exists with other contents",
         [&](const fs::path& r) { EXPECT_EQ(text(r / "textures/green-leaf.tga"), "other"); }},
        {"another file of the same name, --force",
         [](const fs::path& r) { std::ofstream(r / "textures/green-leaf.tga") << "other"; },
         {quad + " --force"}, 0, nullptr,
         [&](const fs::path& r) { EXPECT_NE(text(r / "textures/green-leaf.tga"), "other"); }},
        {"a link to a file outside",
         [](const fs::path& r) {
             std::ofstream(r / "outside/precious") << "precious";
             fs::create_symlink(r / "outside/precious", r / "textures/green-leaf.tga");
         },
         {quad}, 1, "green-leaf.tga is a symbolic link",
         [&](const fs::path& r) {
             EXPECT_EQ(text(r / "outside/precious"), "precious");
             EXPECT_TRUE(fs::is_symlink(r / "textures/green-leaf.tga"));
         }},
        {"a link to a file outside, --force",
         [](const fs::path& r) {
             std::ofstream(r / "outside/precious") << "precious";
             fs::create_symlink(r / "outside/precious", r / "textures/green-leaf.tga");
         },
         {quad + " --force"}, 0, nullptr,
         [&](const fs::path& r) {
             EXPECT_EQ(text(r / "outside/precious"), "precious");
             EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(r / "textures/green-leaf.tga")));
         }},
        {"the same scene again", [](const fs::path&) {}, {quad, quad}, 0, nullptr, [](const fs::path&) {}},
        {"two scenes with embedded images", [](const fs::path&) {},
         embedded.empty() ? std::vector<std::string>{}
                          : std::vector<std::string>{"import " + embedded.string() + " %S/first.zen --textures %T",
                                                     "import " + embedded.string() + " %S/second.zen --textures %T"},
         0, nullptr,
         [](const fs::path& r) {
             EXPECT_TRUE(fs::exists(r / "textures/first-embedded0.tga") &&
                         fs::exists(r / "textures/second-embedded0.tga"));
         }},
        {"info on a scene cut short", cutScene, {"info %S/cut.zen"}, 1, "runs past the end of the file",
         [](const fs::path&) {}},
        {"export of a scene cut short", cutScene, {"export %S/cut.zen %S/cut.gltf"}, 0, "the scene is damaged",
         [](const fs::path&) {}},
    };
    for (const Case& c : cases) {
        if (c.runs.empty()) {
            std::printf("skipped: %s (model not installed)\n", c.name);
            continue;
        }
        const fs::path root = data.root() / "tool";
        fs::remove_all(root);
        for (const char* folder : {"textures", "outside", "scenes"})
            fs::create_directories(root / folder);
        c.prepare(root);
        for (size_t i = 0; i < c.runs.size(); ++i) {
            std::string arguments = c.runs[i];
            for (const auto& [token, folder] : {std::pair{"%M", models}, {"%T", root / "textures"},
                                                {"%S", root / "scenes"}})
                for (size_t at; (at = arguments.find(token)) != std::string::npos;)
                    arguments.replace(at, 2, folder.string());
            const fs::path errors = root / "errors.txt";
            const int status = std::system((tool.string() + " " + arguments + " >/dev/null 2>" + errors.string()).c_str());
            ASSERT_TRUE(WIFEXITED(status)) << c.name;
            const bool last = i + 1 == c.runs.size();
            EXPECT_EQ(WEXITSTATUS(status), last ? c.status : 0) << c.name << ", run " << i << ": " << text(errors);
            if (last && c.message) {
                EXPECT_NE(text(errors).find(c.message), std::string::npos) << c.name << ": " << text(errors);
            }
            if (last && c.status != 0 && c.runs[i].rfind("import", 0) == 0) {
                EXPECT_FALSE(fs::exists(root / "scenes/quad.zen")) << c.name << ": the scene was written";
            }
        }
        c.check(root);
    }
}

TEST(ZenTextureNames, FollowThePlayersRules)
{
    const struct {
        const char* stem;
        bool transparent;
        const char* name;
    } cases[] = {
        {"Green_Leaf", false, "green-leaf.tga"},
        {"  ", false, "texture.tga"},
        {"leaf", true, "alpha-leaf.tga"},
        {"alphabet", false, "t-alphabet.tga"},  // no alpha test for an opaque image
        {"a very long texture name that goes on and on", false, "a-very-long-texture-name-th.tga"},
        {"taken", false, "taken-2.tga"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zen::playerTextureName(c.stem, c.transparent, {"taken.tga"}), c.name) << c.stem;
}

}  // namespace
}  // namespace velmora
