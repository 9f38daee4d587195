// Golden images: each effect (and through `3dscene` the scene engine) draws at fixed show times
// on the offscreen context at the show's 640 x 480 (several effects set a 640 x 480 viewport of
// their own); each frame, averaged down to 80 x 60, must match its reference PNG in
// tests/golden/ref within ±2 per channel. VELMORA_GOLDEN_UPDATE=1 (`make golden`) writes the
// references instead; look at every changed one before committing it.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/effect_factory.h"
#include "core/offscreen_context.h"
#include "core/png_writer.h"
#include "core/random.h"
#include "core/script_parser.h"
#include "core/script_values.h"
#include "effects/effect_table.h"
#include "resources/data_source.h"
#include "resources/embedded_archive.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/memory_stream.h"

namespace velmora {
namespace {

constexpr int kShowWidth = 640;
constexpr int kShowHeight = 480;
constexpr int kScale = 8;  // each reference pixel is the mean of 8 x 8 drawn pixels
constexpr int kWidth = kShowWidth / kScale;
constexpr int kHeight = kShowHeight / kScale;
constexpr int kTolerance = 2;     // per channel: rasteriser rounding, never a visible change
constexpr float kFrameTicks = 4;  // 25 frames per second, in hundredths of a second

// One effect set-up drawn at a few times. `script` is a piece of show script in the show's own
// words: `add` elements, elements addressed to the effects by name, and a `load` element after
// which the elements apply to the loaded effects (as the show's settings after `load` do).
// Every effect added is drawn, in order, each frame after the frame is cleared to black.
struct GoldenRow {
    const char* name;
    const char* script;
    std::vector<float> seconds;
};

const GoldenRow kRows[] = {
    {"clear", R"(<add type="clear" name="e"></add><e color="ff0a1428"></e>)", {0.04f}},
    {"picture", R"(<add type="picture" name="e"></add><e filename="title.tga"></e>)", {0.04f}},
    {"flash",
     R"(<add type="flash" name="e"></add><e mode="0" color="ffff5a1e" attack="1" sustain="1" decay="0.2"></e>
                 <load></load><e><go></go></e>)",
     {0.04f, 0.12f}},
    {"fade",
     R"(<add type="starspace" name="s"></add><add type="fade" name="e"></add>
                <e speed="0.004" from="80000000" to="80c03060"></e>)",
     {1.0f}},
    {"starspace", R"(<add type="starspace" name="e"></add><e speed="0.6"></e>)", {0.5f, 2.0f}},
    {"cubeeffect",
     R"(<add type="cubeeffect" name="e"></add><e file_front="sky_front.tga" file_back="sky_back.tga"
                      file_top="sky_top.tga" file_bot="sky_bot.tga" file_left="sky_left.tga"
                      file_right="sky_right.tga"></e>)",
     {0.5f, 3.0f}},
    {"wtf",
     R"(<add type="wtf" name="e"></add>
               <e file1="wtf1.tga" file2="wtf2.tga" file3="wtf3.tga" file4="wtf4.tga" speed="0.7"></e>)",
     {0.5f, 2.0f}},
    {"testeffect", R"(<add type="starspace" name="s"></add><add type="testeffect" name="e"></add>)", {1.0f}},
    {"coglogo", R"(<add type="coglogo" name="e"></add><e speed="0.5"></e>)", {0.5f, 2.0f}},
    {"tap", R"(<add type="tap" name="e"></add><e speed="0.5"></e>)", {0.5f, 2.0f}},
    {"headlook", R"(<add type="headlook" name="e"></add>)", {0.5f, 2.0f}},
    {"fish", R"(<add type="fish" name="e"></add><e speed="0.7"></e>)", {0.5f, 2.0f}},
    {"goldletter", R"(<add type="goldletter" name="e"></add>)", {0.5f, 2.0f}},
    {"stairs", R"(<add type="stairs" name="e"></add><e speed="2"></e>)", {0.5f, 2.0f}},
    {"3dscene_orbit",
     R"(<add type="3dscene" name="e"></add><e filename="orbit.zen"></e>
                         <load></load><e camera="Wide" loopframe="720"></e>)",
     {0.5f, 3.0f}},
    {"3dscene_hall",
     R"(<add type="3dscene" name="e"></add><e filename="pillars.zen"></e>
                        <load></load><e camera="Hall" loopframe="600"></e>)",
     {0.5f, 3.0f}},
    {"teddy", R"(<add type="teddy" name="e"></add>)", {0.5f, 2.0f}},
    {"dogtail", R"(<add type="dogtail" name="e"></add><e filename="chrome.tga" speed="0.35"></e>)", {0.5f, 2.0f}},
    {"particlebox",
     R"(<add type="particlebox" name="e"></add>
                       <e number="500" texture="spark.tga" dim="18,14,60" spawndim="18,14,60"
                       dirmin="0,0,0.04" dirmax="0,0,0.12" tra="0,0,-32" color="ffffa050"></e>)",
     {0.5f, 2.0f}},
    {"particlebox_bars",
     R"(<add type="picture" name="p"></add><p filename="title.tga"></p><add type="particlebox" name="e"></add>
                            <e number="14" texture="glow.tga" dim="20,1,8" spawndim="20,1,8" sca="1,10,1"
                            prot="0,0.004,0" tra="0,0,-20" color="ff1830a0"></e>)",
     {1.0f}},
    {"ltree", R"(<add type="ltree" name="e"></add><e speed="0.8"></e>)", {1.0f, 4.0f}},
    {"rigid", R"(<add type="rigid" name="e"></add>)", {0.5f, 2.0f}},
    {"splash",
     R"(<add type="picture" name="p"></add><p filename="title.tga"></p><add type="splash" name="e"></add>)",
     {0.5f, 2.0f}},
    {"quiver", R"(<add type="quiver" name="e"></add><e num="120" speed="0.4"></e>)", {0.5f, 2.0f}},
    {"wobble", R"(<add type="wobble" name="e"></add><e speed="0.6"></e>)", {0.5f, 2.0f}},
    {"waveeffect", R"(<add type="waveeffect" name="e"></add><e speed="0.8"></e>)", {0.5f, 2.0f}},
    {"fontcool",
     R"(<add type="fontcool" name="e"></add>
                    <e texture="goldenv.tga" basefont="DejaVuSans.ttf" extrude="0.25" numtexts="1">
                    <text num="0" string="VELMORA" active="1" tra="-2.31,-1,-8" trav="0,0.013,0"></text></e>)",
     {0.5f, 2.0f}},
};

void PrintTo(const GoldenRow& row, std::ostream* out) { *out << row.name; }

std::filesystem::path referencePath(const GoldenRow& row, float seconds)
{
    const int hundredths = static_cast<int>(std::lround(seconds * 100));
    return std::filesystem::path(VELMORA_SOURCE_DIR) / "tests/golden/ref" /
           (std::string(row.name) + "_" + std::to_string(hundredths) + ".png");
}

// RGB of a reference PNG, rows bottom-up as GL reads them; empty when it cannot be read.
std::vector<uint8_t> readReference(const std::filesystem::path& path, int& width, int& height)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    if (!png_image_finish_read(&image, nullptr, rgb.data(), -width * 3, nullptr))
        return {};
    return rgb;
}

// The frame averaged down by kScale in each direction, RGBA, rows bottom-up.
std::vector<uint8_t> reduced(const std::vector<uint8_t>& rgba)
{
    std::vector<uint8_t> small(kWidth * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int dy = 0; dy < kScale; ++dy)
                    for (int dx = 0; dx < kScale; ++dx)
                        sum += rgba[((y * kScale + dy) * kShowWidth + x * kScale + dx) * 4 + c];
                small[(y * kWidth + x) * 4 + c] = static_cast<uint8_t>((sum + kScale * kScale / 2) / (kScale * kScale));
            }
    return small;
}

// Draws the row's effects frame by frame from show time 0 and hands each wanted frame over.
class GoldenRun {
public:
    explicit GoldenRun(const GoldenRow& row) : script_(std::string(row.script)) { parseChildren(&root_, script_); }

    void load()
    {
        EffectFactory factory(effectTable());
        bool loaded = false;
        for (const auto& element : root_.children) {
            if (sameName(element->name, "add")) {
                if (auto effect = factory.create(element.get()))
                    effects_.push_back(std::move(effect));
            } else if (sameName(element->name, "load")) {
                for (auto& effect : effects_) {
                    glPushAttrib(GL_ALL_ATTRIB_BITS);
                    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
                    effect->load();
                    glPopClientAttrib();
                    glPopAttrib();
                }
                loaded = true;
            } else {
                for (auto& effect : effects_) {
                    if (effect->hasName(element->name))
                        effect->handleElement(element.get());
                }
            }
        }
        ASSERT_FALSE(effects_.empty()) << "the row adds no effect the factory knows";
        if (!loaded) {
            for (auto& effect : effects_)
                effect->load();
        }
    }

    // Draws frames until `seconds` of show time have passed (the frame that starts there last).
    void drawUntil(float seconds)
    {
        const int frames = static_cast<int>(std::lround(seconds * 100 / kFrameTicks));
        for (; frame_ < frames; ++frame_) {
            glClearColor(0, 0, 0, 0);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            for (auto& effect : effects_) {
                glPushAttrib(GL_ALL_ATTRIB_BITS);
                effect->update(kFrameTicks);
                effect->render();
                glPopAttrib();
            }
        }
        glFinish();
    }

    ~GoldenRun()
    {
        for (auto& effect : effects_)
            effect->unload();
    }

private:
    testing::MemoryStream script_;
    ScriptNode root_;
    std::vector<std::unique_ptr<Effect>> effects_;
    int frame_ = 0;
};

class Golden : public ::testing::TestWithParam<GoldenRow> {
protected:
    void SetUp() override
    {
        context_ = testing::openShowContext(kShowWidth, kShowHeight);
        if (!context_)
            GTEST_SKIP() << "no OSMesa context available";
        useArchiveImage(embeddedArchiveData(), embeddedArchiveSize());
        seedRandom(1);
    }

    // Compares the frame with its reference, or writes the reference in update mode.
    void check(const std::filesystem::path& path)
    {
        const std::vector<uint8_t> rgba = reduced(context_->pixels());
        if (std::getenv("VELMORA_GOLDEN_UPDATE")) {
            ASSERT_TRUE(PngWriter::writeFile(path.string(), rgba.data(), kWidth, kHeight)) << path;
            return;
        }
        int width = 0, height = 0;
        const std::vector<uint8_t> reference = readReference(path, width, height);
        ASSERT_FALSE(reference.empty()) << path << " is missing: run `make golden` and look at it";
        ASSERT_EQ(width, kWidth) << path;
        ASSERT_EQ(height, kHeight) << path;
        int differing = 0, worst = 0, firstX = -1, firstY = -1;
        for (int i = 0; i < kWidth * kHeight; ++i) {
            for (int c = 0; c < 3; ++c) {
                const int difference = std::abs(rgba[i * 4 + c] - reference[i * 3 + c]);
                worst = std::max(worst, difference);
                if (difference > kTolerance) {
                    if (differing++ == 0)
                        firstX = i % kWidth, firstY = i / kWidth;
                    break;
                }
            }
        }
        EXPECT_EQ(differing, 0) << path.filename() << ": " << differing << " pixels differ by more than " << kTolerance
                                << " (worst " << worst << ", first at " << firstX << "," << firstY
                                << " from the bottom left)";
    }

    std::unique_ptr<OffscreenContext> context_;
};

TEST_P(Golden, FramesMatchTheReferences)
{
    const GoldenRow& row = GetParam();
    GoldenRun run(row);
    run.load();
    for (float seconds : row.seconds) {
        run.drawUntil(seconds);
        check(referencePath(row, seconds));
    }
}

INSTANTIATE_TEST_SUITE_P(Effects, Golden, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<GoldenRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
