// The show's own font: fontcool draws with a .ttf that `basefont` names, read from the show's
// archive, and a font file the archive lacks falls back to the installed face of its name, saying
// so, and the text still draws. A face name is looked up among the installed fonts, "_" standing
// for a space; one that is not installed gives the closest match, with a line saying so.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "core/effect_factory.h"
#include "core/script_parser.h"
#include "effects/effect_table.h"
#include "resources/data_source.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/memory_stream.h"

namespace velmora {
namespace {

using ShowFontTest = testing::GLTest;

TEST_F(ShowFontTest, TextDrawsWithTheArchivedFontOrFallsBackToAnInstalledFace)
{
    std::string error;
    ASSERT_TRUE(useDataPath(VELMORA_BINARY_DIR "/show.rar", error)) << error;
    struct Case {
        std::string basefont;
        std::string loadLines;     // what the data file lookup prints
        std::string fallbackLine;  // the start of the first line on stderr; empty: none
    };
    const Case cases[] = {
        {"DejaVuSans.ttf", "load[data/DejaVuSans.ttf]\n", ""},
        {"fonts/Absent.TTF", "load[data/fonts/Absent.TTF]\nCould not decompress\n",
         "font: fonts/Absent.TTF cannot be read from the show's data: using the installed face \"Absent\"\n"},
        {"DejaVu_Sans", "", ""},  // installed with the build's font package
        {"No_Such_Face", "", "font: \"No Such Face\" is not installed: using \""},
    };
    const EffectFactory factory(effectTable());
    std::vector<uint8_t> frame(kWidth * kHeight * 4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.basefont);
        const std::string script = R"(<e type="fontcool" texture="goldenv.tga" basefont=")" + c.basefont +
                                   R"(" numtexts="1"><text num="0" string="VELMORA" active="1" tra="-2.3,-0.4,-8"></text></e>)";
        testing::MemoryStream stream{std::string_view(script)};
        ScriptNode root;
        parseChildren(&root, stream);
        const ScriptNode* element = root.children.at(0).get();
        std::unique_ptr<Effect> effect = factory.create(element);
        ASSERT_TRUE(effect);
        effect->handleElement(element);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        effect->load();
        const std::string out = ::testing::internal::GetCapturedStdout();
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(out, "load[data/textures/goldenv.tga]\n" + c.loadLines + "text0: VELMORA\n");
        if (c.fallbackLine.empty())
            EXPECT_EQ(err, "");
        else
            EXPECT_EQ(err.substr(0, c.fallbackLine.size()), c.fallbackLine) << err;

        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        effect->render();
        glPopAttrib();
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
        int lit = 0;
        for (size_t i = 0; i < frame.size(); i += 4)
            lit += frame[i] + frame[i + 1] + frame[i + 2] > 0;
        EXPECT_GT(lit, 1000) << "the line draws no glyphs";  // the word covers about 6000
    }
}

}  // namespace
}  // namespace velmora
