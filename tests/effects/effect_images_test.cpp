// Effects with the images their scripts name, present or missing: what they draw with them, and
// that unload frees every texture and display list; drawing before load and after unload is safe.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "core/effect_factory.h"
#include "core/script_parser.h"
#include "effects/effect_table.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/memory_stream.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

// RedOnly: drawn with red.tga; Plain: in the effect's own colours (no texture bound, or white.tga).
enum class Drawn { Nothing, RedOnly, Plain };

using EffectImagesTest = testing::GLTest;

TEST_F(EffectImagesTest, EachEffectDrawsWithTheImagesItsScriptNamesAndUnloadFreesThem)
{
    testing::TempDataDir data;
    data.write("data/textures/red.tga", testing::solidTga24(8, 8, 255, 0, 0));
    data.write("data/textures/white.tga", testing::solidTga24(8, 8, 255, 255, 255));
    struct Case {
        std::string script;  // the element that adds the effect also sets it up
        Drawn drawn;
    };
    // Without a texture the overlays bind nothing: here, with none bound, they draw in their
    // plain colours. Particlebox and fontcool draw nothing when their image is missing (nor
    // run the children); wtf leaves such a layer untextured.
    std::vector<Case> cases = {
        {R"(<e type="particlebox" number="10" texture="absent.tga"><random></random><origin></origin></e>)",
         Drawn::Nothing},
        {R"(<e type="fontcool" texture="absent.tga" numtexts="1">
              <text num="0" string="HI" active="1" tra="-1,-0.3,-5"></text></e>)",
         Drawn::Nothing},
        {R"(<e type="particlebox" number="10" texture="white.tga" spawndim="0,0,0" tra="0,0,-5"></e>)", Drawn::Plain},
        {R"(<e type="wtf" file1="white.tga" file2="absent.tga" file4="white.tga"></e>)", Drawn::Plain},
    };
    for (const std::string overlay : {"splash", "quiver", "wobble", "waveeffect"}) {
        cases.push_back({"<e type=\"" + overlay + "\" texture=\"red.tga\"></e>", Drawn::RedOnly});
        cases.push_back({"<e type=\"" + overlay + "\"></e>", Drawn::Plain});
    }
    const EffectFactory factory(effectTable());
    std::vector<uint8_t> frame(kWidth * kHeight * 4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        testing::MemoryStream stream{std::string_view(c.script)};
        ScriptNode root;
        parseChildren(&root, stream);
        const ScriptNode* element = root.children.at(0).get();
        std::unique_ptr<Effect> effect = factory.create(element);
        ASSERT_TRUE(effect);
        effect->render();  // before load: safe, and cleared below
        effect->handleElement(element);
        effect->load();
        effect->handleElement(element);  // children again, now on what load made
        effect->update(1);
        glBindTexture(GL_TEXTURE_2D, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 1, 1);
        glPushAttrib(GL_ALL_ATTRIB_BITS);  // as the timeline brackets every effect
        effect->render();
        glPopAttrib();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
        int red = 0, other = 0;  // pixels lit in red only, pixels lit in green or blue
        for (size_t i = 0; i < frame.size(); i += 4) {
            red += frame[i] > 0 && frame[i + 1] == 0 && frame[i + 2] == 0;
            other += frame[i + 1] > 0 || frame[i + 2] > 0;
        }
        if (c.drawn == Drawn::Plain) {
            EXPECT_GT(other, 50);
        } else {
            EXPECT_EQ(other, 0);
            EXPECT_EQ(red > 0, c.drawn == Drawn::RedOnly) << red;
        }

        effect->unload();
        for (GLuint name = 1; name <= 300; ++name) {
            ASSERT_FALSE(glIsTexture(name)) << "texture " << name;
            ASSERT_FALSE(glIsList(name)) << "display list " << name;
        }
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        effect->render();
        glPopAttrib();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

}  // namespace
}  // namespace velmora
