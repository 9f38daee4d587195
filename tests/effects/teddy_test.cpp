// The fur teddy beyond its golden images: its mesh reader and the -1 exits.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/random.h"
#include "effects/teddy.h"
#include "effects/teddy_mesh.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

// Writes mesh files in the ".DAT" layout.
struct MeshBytes {
    std::vector<float> positions;
    std::vector<std::vector<uint16_t>> faces;  // corners..., material last
    std::vector<float> materials;

    std::vector<uint8_t> bytes() const
    {
        std::vector<uint8_t> out;
        auto put = [&](const void* p, size_t n) {
            out.insert(out.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
        };
        const int32_t counts[3] = {int32_t(positions.size() / 3), int32_t(faces.size()), int32_t(materials.size() / 3)};
        put(counts, sizeof counts);
        put(positions.data(), positions.size() * 4);
        for (const auto& face : faces) {
            const uint16_t n = static_cast<uint16_t>(face.size() - 1);
            put(&n, 2);
            put(face.data(), face.size() * 2);
        }
        put(materials.data(), materials.size() * 4);
        return out;
    }
};

// A unit cube, faces wound counter-clockwise seen from outside.
MeshBytes cube()
{
    MeshBytes m;
    for (int i = 0; i < 8; ++i)
        m.positions.insert(m.positions.end(), {float(i & 1), float(i >> 1 & 1), float(i >> 2 & 1)});
    m.faces = {{0, 2, 3, 1, 0}, {4, 5, 7, 6, 0}, {0, 1, 5, 4, 0}, {2, 6, 7, 3, 0}, {0, 4, 6, 2, 0}, {1, 3, 7, 5, 0}};
    m.materials = {0.5f, 0.25f, 0.125f};
    return m;
}

TEST(PolyMeshReader, ReadsLayoutAndComputesNormals)
{
    const std::vector<uint8_t> bytes = cube().bytes();
    PolyMesh mesh;
    ASSERT_TRUE(parsePolyMesh(bytes.data(), bytes.size(), mesh));
    ASSERT_EQ(mesh.vertices.size(), 8u);
    ASSERT_EQ(mesh.faces.size(), 6u);
    EXPECT_EQ(mesh.faces[1].corners, (std::vector<uint16_t>{4, 5, 7, 6}));
    EXPECT_EQ(mesh.materials, (std::vector<float>{0.5f, 0.25f, 0.125f}));
    // Corner (1, 1, 1) touches three faces: its normal points out along the diagonal.
    const float d = 1 / std::sqrt(3.0f);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(mesh.vertices[7].normal[c], d, 1e-6);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(mesh.vertices[0].normal[c], -d, 1e-6);
}

TEST(PolyMeshReader, ZeroAreaFaceLeavesNeighboursAlone)
{
    MeshBytes m = cube();
    m.positions.insert(m.positions.end(), {5, 5, 5});  // vertex 8
    m.faces.push_back({8, 8, 7, 3, 0});                // first triangle has no area
    const std::vector<uint8_t> bytes = m.bytes();
    PolyMesh mesh;
    ASSERT_TRUE(parsePolyMesh(bytes.data(), bytes.size(), mesh));
    const float d = 1 / std::sqrt(3.0f);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(mesh.vertices[7].normal[c], d, 1e-6);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(mesh.vertices[8].normal[c], 0);
}

TEST(PolyMeshReader, RejectsCountsAndIndicesBeyondTheData)
{
    const std::vector<uint8_t> good = cube().bytes();
    PolyMesh mesh;
    for (size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(parsePolyMesh(good.data(), cut, mesh)) << "file cut to " << cut << " bytes";

    auto patched = [&](size_t at, int32_t value) {
        std::vector<uint8_t> b = good;
        std::memcpy(&b[at], &value, 4);
        return b;
    };
    for (const auto& bad : {patched(0, 9), patched(0, -1), patched(0, 0x7FFFFFFF), patched(4, 7), patched(8, 2),
                            patched(8, -3)})
        EXPECT_FALSE(parsePolyMesh(bad.data(), bad.size(), mesh));

    MeshBytes m = cube();
    m.faces[2][1] = 8;  // no vertex 8
    std::vector<uint8_t> b = m.bytes();
    EXPECT_FALSE(parsePolyMesh(b.data(), b.size(), mesh));
    m = cube();
    m.faces[5].back() = 1;  // no material 1
    b = m.bytes();
    EXPECT_FALSE(parsePolyMesh(b.data(), b.size(), mesh));
    EXPECT_FALSE(parsePolyMesh(nullptr, 0, mesh));
}

// One quad of fur on the body facing the viewer (material 1), and a head with one furred quad
// (material 3) and one bare triangle (material 0).
class TeddyTest : public testing::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        body.positions = {-1, 0, 0, 1, 0, 0, 1, 2, 0, -1, 2, 0};
        body.faces = {{0, 1, 2, 3, 1}};
        body.materials = {0.2f, 0.4f, 0.6f, 0.6f, 0.2f, 0.0f};
        head.positions = {-1, 1, 1, 1, 1, 1, 1, 2, 1, -1, 2, 1, 0, 1.5f, 2};
        head.faces = {{0, 1, 2, 3, 3}, {0, 1, 4, 0}};
        head.materials = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0.3f, 0.3f, 0.3f};
        std::vector<uint8_t> shadow(64 * 64 * 3, 200);
        data.write("data/textures/shadow.bmp", testing::bmpFile(shadow));
    }
    void writeMeshes()
    {
        data.write("data/TEDDY.DAT", body.bytes());
        data.write("data/TEDHEAD.DAT", head.bytes());
    }
    MeshBytes body, head;
    testing::TempDataDir data;
    Teddy teddy;
};

TEST_F(TeddyTest, NonQuadFurFaceEndsWithMinusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    body.faces.push_back({0, 1, 2, 0});  // a body triangle would be furred
    writeMeshes();
    EXPECT_EXIT({ teddy.load(); teddy.render(); }, ::testing::ExitedWithCode(255), "is missing or damaged");
}

TEST_F(TeddyTest, MissingOrShortMeshEndsWithMinusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    data.write("data/TEDHEAD.DAT", head.bytes());
    EXPECT_EXIT(teddy.load(), ::testing::ExitedWithCode(255), "is missing or damaged");  // no TEDDY.DAT
    std::vector<uint8_t> cut = body.bytes();
    cut.resize(cut.size() - 3);
    data.write("data/TEDDY.DAT", cut);
    EXPECT_EXIT(teddy.load(), ::testing::ExitedWithCode(255), "is missing or damaged");
}

}  // namespace
}  // namespace velmora
