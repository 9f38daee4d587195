// velmora --check on broken shows: each case adds a few lines to a show that checks clean and
// must give exactly its findings, at their file and line.
#include "core/script_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/effect_table.h"
#include "tests/audio/sound_files.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

// A clean show; a case's lines stand at line 7. The module has one order of 64 rows; the show
// ends at 30 s.
std::string showWith(const std::string& lines)
{
    return "<demo bpm=\"120\">\n"
           "<create></create>\n"
           "<add type=\"clear\" name=\"bg\"></add>\n"
           "<add type=\"musicplay\" name=\"tune\"></add>\n"
           "<tune filename=\"tune.mod\"></tune>\n"
           "<event time=\"0\"><draworder effect=\"bg\"></draworder><tune><play></play></tune></event>\n" +
           lines +
           "\n<event order=\"0\" row=\"16\" music=\"tune\"><event beat=\"4\"></event></event>\n"
           "<event time=\"30\"><exit></exit></event>\n"
           "<load effect=\"bg\"></load>\n"
           "<run></run>\n"
           "</demo>";
}

struct Case {
    const char* lines;                  // at line 7 of script.txt
    std::vector<std::string> findings;  // exactly these, in order
    const char* included = nullptr;     // text of data/inc.txt, when the case has it
};

TEST(ScriptCheck, EachFaultGivesItsFinding)
{
    const Case cases[] = {
        {"", {}},
        {"<add type=\"sparkle\" name=\"s\"></add>",
         {"script.txt:7: effect type [sparkle] does not exist: effect [s] is not created"}},
        {"<bg colour=\"ff0000\"></bg>", {"script.txt:7: attribute [colour] is not read by effect type [clear]"}},
        {"<create fast=\"1\"></create>", {"script.txt:7: attribute [fast] is not read by <create>"}},
        {"<bg><bang></bang></bg>", {"script.txt:7: <bang> inside [bg] is not read by effect type [clear]"}},
        {"<frob></frob>", {"script.txt:7: <frob> names no effect and no keyword: it is ignored"}},
        {"<event time=\"1\">\n<draworder effect=\"bg\" effect=\"nobody\"></draworder></event>",
         {"script.txt:8: draworder: no effect named [nobody] (\"XML Error: DrawOrder\"; the entries after it are "
          "lost)"}},
        {"<load effect=\"nobody\"></load>", {"script.txt:7: load: no effect named [nobody]"}},
        {"<load></load><add type=\"clear\" name=\"late\"></add><draworder effect=\"late\"></draworder>",
         {"script.txt:7: effect [late] is added after load: it is never loaded"}},
        {"<add type=\"clear\" name=\"spare\"></add>",
         {"script.txt:7: effect [spare] is never drawn: no draworder names it"}},
        {"<add type=\"clear\" name=\"backgroundcolour\"></add><draworder effect=\"backgroundcolour\"></draworder>",
         {"script.txt:7: effect name [backgroundcolour] is longer than 15 characters: it is cut to [backgroundcolou]",
          "script.txt:7: draworder: no effect named [backgroundcolour] (\"XML Error: DrawOrder\"; the entries after "
          "it are lost)",
          "script.txt:7: effect [backgroundcolou] is never drawn: no draworder names it"}},
        // Data files: a module, an include.
        {"<bg></bg>\n<tune filename=\"gone.xm\"></tune>",
         {"script.txt:8: [filename]: no data file [gone.xm] (data/music/gone.xm)",
          "script.txt:9: event [order=\"0\" row=\"16\" music=\"tune\"]: [tune] plays no module, never fires"}},
        {"<include file=\"nope.txt\"></include>", {"script.txt:7: include: no data file [nope.txt] (data/nope.txt)"}},
        // An included file with a line break after its last tag: the rest of the script is lost.
        {"<include file=\"inc.txt\"></include>",
         {"script.txt:1: demo without run: the show never plays",
          "inc.txt:1: [inc.txt] ends with a line break after its last tag: the rest of the script is not read"},
         "<bg></bg>\n"},
        {"<bg></fg>",
         {"script.txt:1: demo without run: the show never plays",
          "script.txt:7: XML Error </?> not equal to parent <?> ! [fg]"}},
        // A value cut short at a space, and a value too long for its field.
        {"<event time=\"1\" name=\"big drop\"></event>",
         {"script.txt:7: value of [name] is cut short at a space: [drop\"] is not an attribute of <event>"}},
        // The text effect's own element does not read `active`; its lines do, and hold no spaces.
        {"<add type=\"fontcool\" name=\"words\"></add><draworder effect=\"words\"></draworder>"
         "<words active=\"0\"><text num=\"0\" string=\"HI THERE\"></text></words>",
         {"script.txt:7: attribute [active] is not read by effect type [fontcool]",
          "script.txt:7: value of [string] is cut short at a space: [THERE\"] is read as an attribute"}},
        {"<tune filename=\"a-very-long-name-for-a-module-file.mod\"></tune>",
         {"script.txt:7: value of [filename] is longer than 31 characters: it is cut to "
          "[a-very-long-name-for-a-module-f]",
          "script.txt:7: [filename]: no data file [a-very-long-name-for-a-module-f] "
          "(data/a-very-long-name-for-a-module-f)",
          "script.txt:8: event [order=\"0\" row=\"16\" music=\"tune\"]: [tune] plays no module, never fires"}},
        // Musical times that do not exist or never fire, events after the exit.
        {"<event order=\"4294967297\" music=\"tune\"></event>",
         {"script.txt:7: event [order=\"4294967297\" music=\"tune\"]: order 4294967297 is out of range (0 to "
          "65535), never fires"}},
        {"<event order=\"1\" row=\"0\" music=\"tune\"></event>",
         {"script.txt:7: event [order=\"1\" row=\"0\" music=\"tune\"]: [tune] never reaches order 1 row 0, never "
          "fires"}},
        {"<event order=\"0\" music=\"bg\"></event>",
         {"script.txt:7: event [order=\"0\" music=\"bg\"]: [bg] plays no module, never fires"}},
        {"<event beat=\"1e40\"></event>",
         {"script.txt:7: event [beat=\"1e40\"]: beat 1e40 is out of range, never fires"}},
        {"<event key=\"a\"></event>", {"script.txt:7: event with a key: keys fire no events, it never fires"}},
        {"<event time=\"1\">\n</event>\n<event time=\"40\"></event>",
         {"script.txt:9: event at 40.00 s comes after the show's exit at 30.00 s: it never fires"}},
        {"<event time=5></event>", {"script.txt:7: value of [time] is not in quotes: it reads as empty"}},
    };
    for (const Case& c : cases) {
        testing::TempDataDir dir;
        dir.write("data/script.txt", showWith(c.lines));
        dir.write("data/music/tune.mod", testing::modFile());
        if (c.included)
            dir.write("data/inc.txt", c.included);
        std::vector<std::string> findings;
        for (const CheckFinding& finding : checkShow("script.txt", effectTable()))
            findings.push_back(formatFinding(finding));
        EXPECT_EQ(findings, c.findings) << c.lines;
    }

    testing::TempDataDir empty;
    const auto missing = checkShow("script.txt", effectTable());
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(formatFinding(missing[0]), "script.txt: no data file [script.txt] (data/script.txt)");
}

}  // namespace
}  // namespace velmora
