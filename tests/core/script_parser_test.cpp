// The script markup parser: tree shape, attribute tokens, field limits, includes and errors.
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <string>
#include <vector>

#include "core/script_parser.h"
#include "tests/support/memory_stream.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

struct Parsed {
    ScriptNode root;
    int status = 0;
    std::string output;
};

void parseText(Parsed& parsed, const std::string& text)
{
    testing::MemoryStream stream(text);
    ::testing::internal::CaptureStdout();
    parsed.status = parseChildren(&parsed.root, stream);
    parsed.output = ::testing::internal::GetCapturedStdout();
}

// The tree as text: name(attribute=value ...){children}, newlines shown as '|'. Checks that
// every child points back at its parent.
std::string dump(const ScriptNode& node)
{
    std::string text;
    for (const auto& child : node.children) {
        EXPECT_EQ(child->parent, &node) << child->name;
        text += child->name;
        text += "(";
        for (const auto& a : child->attributes)
            text += std::string(a.get() == child->attributes.front().get() ? "" : " ") + a->name + "=" + a->value;
        text += ")";
        if (!child->children.empty())
            text += "{" + dump(*child) + "}";
    }
    for (char& c : text)
        c = c == '\n' ? '|' : c;
    return text;
}

TEST(ScriptParser, TreeShapeAndAttributeTokens)
{
    const std::string n31(31, 'n'), n40(40, 'n'), v40(40, 'v'), z300(300, 'z');
    const struct {
        std::string text, tree;
    } cases[] = {
        {"<demo width=\"640\" height=\"480\">\n  <create></create>\n"
         "  <draworder effect=\"a\" effect=\"b\" effect=\"c\"></draworder>\n</demo>",
         "demo(width=640 height=480){create()draworder(effect=a effect=b effect=c)}"},
        {"<a x=\"1\"  \n\t\t></a>", "a(x=1)"},  // trailing blanks, line break and tabs
        {"<b colour=\"ff00ff00></b>", "b(colour=ff00ff00)"},  // no closing quote: the rest of the token
        {"<c first=\"1\"\nsecond=\"2\"></c>", "c(first=1)"},  // a line break does not end a token
        {"<d plain=7 flag 12=\"x\"></d>", "d(plain= flag= x\"=)"},  // unquoted, no '=', digits skipped
        {"<E Upper=\"Q\" lower=\"q\"></E>", "E(Upper=Q lower=q)"},
        {"<demo\nwidth=\"1\"></demo\nwidth=\"1\">", "demo|width=\"1\"()"},  // the line break stays in the name
        {"< demo width=\"64\"></demo>", "demo(width=64)"},  // attributes begin behind the name
        {"<a<b></a>", "a(b=)"},  // a '<' inside a tag ends the name
        // Names, values and tokens are cut; a value whose quote lies beyond the 255-character
        // token runs to the cut, and the text after the long token forms the next attribute.
        {"<" + n40 + " " + n40 + "=\"" + v40 + "\"></" + n40 + ">", n31 + "(" + n31 + "=" + std::string(31, 'v') + ")"},
        {"<a k=\"" + z300 + "\" next=\"1\"></a>", "a(k=" + std::string(31, 'z') + " next=1)"},
    };
    for (const auto& c : cases) {
        Parsed p;
        parseText(p, c.text);
        EXPECT_EQ(p.status, kParseOk) << c.text;
        EXPECT_EQ(p.output, "") << c.text;
        EXPECT_EQ(dump(p.root), c.tree) << c.text;
    }
    // Each element and attribute knows its line and how long its name and value were written;
    // how a value was quoted is kept.
    Parsed lines;
    parseText(lines, "<demo\twidth=\"640\">\n<a x=\"1\"\n  " + n40 + "=\"HI THERE\"></a>\n\n<b y=5></b></demo>");
    const ScriptNode& demo = *lines.root.children.at(0);
    const ScriptNode& a = *demo.children.at(0);
    EXPECT_EQ(demo.line, 1u);
    EXPECT_EQ(a.line, 2u);
    EXPECT_EQ(demo.children.at(1)->line, 5u);
    ASSERT_EQ(a.attributes.size(), 3u);  // x, the long name with "HI, then THERE"
    EXPECT_EQ(a.attributes[0]->line, 2u);
    EXPECT_EQ(a.attributes[0]->quotes, ValueQuotes::Closed);
    EXPECT_EQ(a.attributes[1]->line, 3u);
    EXPECT_EQ(a.attributes[1]->nameLength, 40u);
    EXPECT_EQ(a.attributes[1]->valueLength, 2u);
    EXPECT_EQ(a.attributes[1]->quotes, ValueQuotes::LeftOpen);
    EXPECT_STREQ(a.attributes[2]->name, "THERE\"");
    EXPECT_EQ(a.attributes[2]->quotes, ValueQuotes::NoValue);
    EXPECT_EQ(demo.children.at(1)->attributes.at(0)->quotes, ValueQuotes::None);

    // The attribute reader alone stays within the length it is given.
    ScriptNode node;
    const char text[] = " a=\"1\" b=\"2\"";
    parseAttributes(&node, text, 6);  // ends right after the first value
    parseAttributes(&node, text, 0);
    ASSERT_EQ(node.attributes.size(), 1u);
    EXPECT_STREQ(node.attributes[0]->value, "1");
}

// Errors stop the parse and keep the partial tree; ends of text. kAny and null: not checked.
TEST(ScriptParser, ErrorsAndEndsOfText)
{
    constexpr int kAny = 99;
    const struct {
        const char* text;
        int status;
        const char* output;
        const char* tree;
    } cases[] = {
        {"<demo><create></creat></demo><later></later>", kParseFailed,
         "XML Error </?> not equal to parent <?> ! [creat]\n", "demo(){create()}"},
        {"<a></a>  <b x=\"1\"", kParseStopped, "XML Error expected > [  <b x=\"1\"]\n", "a()"},
        // The nested level stops, the enclosing one fails.
        {"<a><12 = 3></a>", kParseFailed, "XML Error[12 = 3></a]\n", nullptr},
        // The first letter lies behind the '>': the tag has no name; the letter is not looked for.
        {"<1>abc</abc>", kParseStopped, "XML Error[1>abc</abc]\n", ""},
        {"<x", kAny, "XML Error expected > [<x]\n", nullptr},
        {"<a></a>\n", kParseStopped, "", "a()"},  // no further '<'
        {"junk <a></a>", kParseOk, nullptr, nullptr},
        {"", kParseOk, nullptr, nullptr},
        // A closing tag at the top level ends the parse; what follows is not read.
        {"<a></a></anything><b></b>", kParseOk, nullptr, "a()"},
        // An unclosed element at the end of the data is a normal end.
        {"<a><b></b>", kParseOk, nullptr, "a(){b()}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Parsed p;
        parseText(p, c.text);
        if (c.output) {
            EXPECT_EQ(p.output, c.output);
        }
        if (c.status != kAny) {
            EXPECT_EQ(p.status, c.status);
        }
        if (c.tree) {
            EXPECT_EQ(dump(p.root), c.tree);
        }
    }
}

TEST(ScriptParser, AbsurdNestingFailsWithAMessage)
{
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    Parsed p;
    parseText(p, deep);
    EXPECT_EQ(p.status, kParseFailed);
    EXPECT_EQ(p.output, "XML Error: nesting deeper than 200 [<a><a><a><]\n");
    // Normal depth is untouched: the levels below the limit stay in the tree.
    const ScriptNode* node = &p.root;
    int levels = 0;
    while (!node->children.empty()) {
        node = node->children[0].get();
        ++levels;
    }
    EXPECT_EQ(levels, kMaxScriptDepth);
}

// ---- Files and includes -----------------------------------------------------------------

// Parses data/script.txt after writing `files` (name, text) into data/; the tree, and the lines
// about errors without the data layer's own "load[...]" lines (standard output), then the notes
// on standard error.
std::pair<std::string, std::string> parseFiles(std::initializer_list<std::pair<const char*, const char*>> files)
{
    testing::TempDataDir dir;
    for (const auto& [name, text] : files)
        dir.write(std::string("data/") + name, text);
    ScriptNode root;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    parseFile(&root, "script.txt");
    const std::string output = ::testing::internal::GetCapturedStdout();
    const std::string notes = ::testing::internal::GetCapturedStderr();
    std::string errors;
    for (size_t start = 0, end; start < output.size(); start = end + 1) {
        end = output.find('\n', start);
        end = end == std::string::npos ? output.size() : end;
        if (output.compare(start, 3, "XML") == 0)
            errors += output.substr(start, end - start + 1);
    }
    return {dump(root), errors + notes};
}

TEST(ScriptParserFiles, IncludesReplaceTheirElement)
{
    const struct {
        std::initializer_list<std::pair<const char*, const char*>> files;
        const char* tree;
        const char* errors;
    } cases[] = {
        {{{"script.txt",
           "<demo><first></first><include file=\"one.txt\" file=\"two.txt\"><dropped></dropped>"
           "</include><last></last></demo>"},
          {"one.txt", "<a></a><b></b>"},
          {"two.txt", "<c></c>"}},
         "demo(){first()a()b()c()last()}",
         ""},
        // An included file must end right after its last '>'; a line break or text after it
        // stops the whole script, with a note naming the file.
        {{{"script.txt", "<demo><include file=\"tail.txt\"></include><after></after></demo>"},
          {"tail.txt", "<a></a><b></b>\n"}},
         "demo(){a()b()}",
         "velmora: [tail.txt] ends with a line break after its last tag: the rest of the script is not read\n"},
        {{{"script.txt", "<demo><include file=\"outer.txt\"></include><after></after></demo>"},
          {"outer.txt", "<a></a><include file=\"inner.txt\"></include><c></c>"},
          {"inner.txt", "<b></b><open> end"}},
         "demo(){a()b()open()}",
         "velmora: [inner.txt] ends with text after its last tag: the rest of the script is not read\n"},
        // A closing tag in an included file: the enclosing element's name ends the file silently,
        // any other name fails.
        {{{"script.txt",
           "<demo><include file=\"early.txt\"></include><after></after></demo>"
           "<other><include file=\"wrong.txt\"></include><after></after></other>"},
          {"early.txt", "<a></a></demo><ignored></ignored>"},
          {"wrong.txt", "<a></a></elsewhere>"}},
         "demo(){a()after()}other(){a()}",
         "XML Error </?> not equal to parent <?> ! [elsewhere]\n"},
        {{{"script.txt", "<demo><include file=\"absent.txt\"></include><after></after></demo>"}},
         "demo(){after()}",
         ""},
        {{}, "", ""},  // no script at all
        {{{"script.txt", "<demo><include file=\"self.txt\"></include><after></after></demo>"},
          {"self.txt", "<x></x><include file=\"SELF.TXT\"></include>"}},
         "demo(){x()}",
         "XML Error: include loop at [SELF.TXT]\n"},
        // The same file included twice side by side is no loop.
        {{{"script.txt", "<demo><include file=\"leaf.txt\" file=\"leaf.txt\"></include></demo>"},
          {"leaf.txt", "<x></x>"}},
         "demo(){x()x()}",
         ""},
    };
    for (const auto& c : cases) {
        const auto [tree, errors] = parseFiles(c.files);
        EXPECT_EQ(tree, c.tree);
        EXPECT_EQ(errors, c.errors) << c.tree;
    }
}

}  // namespace
}  // namespace velmora
