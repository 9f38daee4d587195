// The script markup parser: tree shape, attribute tokens, field limits, includes and errors.
#include <gtest/gtest.h>

#include <cstring>
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

std::string value(const ScriptNode& node, size_t index) { return node.attributes.at(index)->value; }
std::string attributeName(const ScriptNode& node, size_t index) { return node.attributes.at(index)->name; }

TEST(ScriptParser, BuildsTheTreeInDocumentOrder)
{
    Parsed p;
    parseText(p, "<demo width=\"640\" height=\"480\" bpp=\"32\">\n"
                 "  <create></create>\n"
                 "  <draworder effect=\"a\" effect=\"b\" effect=\"c\" effect=\"d\" effect=\"e\"></draworder>\n"
                 "</demo>");
    EXPECT_EQ(p.status, kParseOk);
    EXPECT_EQ(p.output, "");
    ASSERT_EQ(p.root.children.size(), 1u);
    const ScriptNode& demo = *p.root.children[0];
    EXPECT_STREQ(demo.name, "demo");
    EXPECT_EQ(demo.parent, &p.root);
    ASSERT_EQ(demo.attributes.size(), 3u);
    EXPECT_EQ(attributeName(demo, 1), "height");
    EXPECT_EQ(value(demo, 1), "480");
    ASSERT_EQ(demo.children.size(), 2u);
    EXPECT_STREQ(demo.children[0]->name, "create");
    EXPECT_TRUE(demo.children[0]->attributes.empty());
    const ScriptNode& order = *demo.children[1];
    EXPECT_EQ(order.parent, &demo);
    ASSERT_EQ(order.attributes.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(attributeName(order, i), "effect");
        EXPECT_EQ(value(order, i), std::string(1, static_cast<char>('a' + i)));
    }
}

TEST(ScriptParser, AttributeTokens)
{
    Parsed p;
    parseText(p, "<a x=\"1\"  \n\t\t></a>"          // trailing blanks, line break and tabs
                 "<b colour=\"ff00ff00></b>"         // no closing quote: the rest of the token
                 "<c first=\"1\"\nsecond=\"2\"></c>"  // a line break does not end a token
                 "<d plain=7 flag 12=\"x\"></d>"      // unquoted value, no '=', digits skipped
                 "<E Upper=\"Q\" lower=\"q\"></E>");
    EXPECT_EQ(p.status, kParseOk);
    ASSERT_EQ(p.root.children.size(), 5u);

    EXPECT_EQ(p.root.children[0]->attributes.size(), 1u);
    ASSERT_EQ(p.root.children[1]->attributes.size(), 1u);
    EXPECT_EQ(value(*p.root.children[1], 0), "ff00ff00");

    const ScriptNode& c = *p.root.children[2];
    ASSERT_EQ(c.attributes.size(), 1u);  // the second pair is swallowed by the first token
    EXPECT_EQ(attributeName(c, 0), "first");
    EXPECT_EQ(value(c, 0), "1");

    const ScriptNode& d = *p.root.children[3];
    ASSERT_EQ(d.attributes.size(), 3u);
    EXPECT_EQ(attributeName(d, 0), "plain");
    EXPECT_EQ(value(d, 0), "");
    EXPECT_EQ(attributeName(d, 1), "flag");
    EXPECT_EQ(value(d, 1), "");
    EXPECT_EQ(attributeName(d, 2), "x\"");  // the token starts at the first letter

    const ScriptNode& e = *p.root.children[4];
    EXPECT_STREQ(e.name, "E");
    EXPECT_EQ(attributeName(e, 0), "Upper");
    EXPECT_EQ(attributeName(e, 1), "lower");
}

TEST(ScriptParser, NameFollowedByLineBreakKeepsIt)
{
    Parsed p;
    parseText(p, "<demo\nwidth=\"1\"></demo\nwidth=\"1\">");
    EXPECT_EQ(p.status, kParseOk);
    ASSERT_EQ(p.root.children.size(), 1u);
    EXPECT_STREQ(p.root.children[0]->name, "demo\nwidth=\"1\"");
    EXPECT_TRUE(p.root.children[0]->attributes.empty());
}

TEST(ScriptParser, LongNamesValuesAndTokensAreCut)
{
    const std::string longName(40, 'n');
    const std::string longValue(40, 'v');
    Parsed p;
    parseText(p, "<" + longName + " " + longName + "=\"" + longValue + "\"></" + longName + ">");
    EXPECT_EQ(p.status, kParseOk);
    ASSERT_EQ(p.root.children.size(), 1u);
    const ScriptNode& node = *p.root.children[0];
    EXPECT_EQ(std::string(node.name), std::string(31, 'n'));
    EXPECT_EQ(attributeName(node, 0), std::string(31, 'n'));
    EXPECT_EQ(value(node, 0), std::string(31, 'v'));

    // The quote that ends the value lies beyond the 255-character cut: the value runs to the cut,
    // and the text after the long token still forms the next attribute.
    Parsed q;
    parseText(q, "<a k=\"" + std::string(300, 'z') + "\" next=\"1\"></a>");
    ASSERT_EQ(q.root.children.size(), 1u);
    const ScriptNode& a = *q.root.children[0];
    ASSERT_EQ(a.attributes.size(), 2u);
    EXPECT_EQ(value(a, 0), std::string(31, 'z'));
    EXPECT_EQ(attributeName(a, 1), "next");
    EXPECT_EQ(value(a, 1), "1");
}

TEST(ScriptParser, ParseAttributesStaysWithinItsLength)
{
    ScriptNode node;
    const char text[] = " a=\"1\" b=\"2\"";
    parseAttributes(&node, text, 6);  // ends right after the first value
    ASSERT_EQ(node.attributes.size(), 1u);
    EXPECT_EQ(value(node, 0), "1");
    parseAttributes(&node, text, 0);
    EXPECT_EQ(node.attributes.size(), 1u);
}

// Errors stop the parse and keep the partial tree; ends of text. kAny and null: not checked.
TEST(ScriptParser, ErrorsAndEndsOfText)
{
    constexpr int kAny = 99;
    const struct {
        const char* text;
        int status;
        const char* output;
        int children;
    } cases[] = {
        {"<demo><create></creat></demo><later></later>", kParseFailed,
         "XML Error </?> not equal to parent <?> ! [creat]\n", 1},
        {"<a></a>  <b x=\"1\"", kParseStopped, "XML Error expected > [  <b x=\"1\"]\n", 1},
        // The nested level stops, the enclosing one fails.
        {"<a><12 = 3></a>", kParseFailed, "XML Error[12 = 3></a]\n", kAny},
        // The first letter lies behind the '>': the tag has no name; the letter is not looked for.
        {"<1>abc</abc>", kParseStopped, "XML Error[1>abc</abc]\n", 0},
        {"<x", kAny, "XML Error expected > [<x]\n", kAny},
        {"<a></a>\n", kParseStopped, "", 1},  // no further '<'
        {"junk <a></a>", kParseOk, nullptr, kAny},
        {"", kParseOk, nullptr, kAny},
        // A closing tag at the top level ends the parse; what follows is not read.
        {"<a></a></anything><b></b>", kParseOk, nullptr, 1},
        // An unclosed element at the end of the data is a normal end.
        {"<a><b></b>", kParseOk, nullptr, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Parsed p;
        parseText(p, c.text);
        if (c.output)
            EXPECT_EQ(p.output, c.output);
        if (c.status != kAny)
            EXPECT_EQ(p.status, c.status);
        if (c.children != kAny)
            ASSERT_EQ(p.root.children.size(), size_t(c.children));
    }

    Parsed mismatch;
    parseText(mismatch, cases[0].text);
    ASSERT_EQ(mismatch.root.children[0]->children.size(), 1u);
    EXPECT_STREQ(mismatch.root.children[0]->children[0]->name, "create");
    Parsed open;
    parseText(open, "<a><b></b>");
    EXPECT_EQ(open.root.children[0]->children.size(), 1u);
}

TEST(ScriptParser, MalformedTagsReadOnlyInsideTheTag)
{
    // The name does not directly follow '<': the attributes still begin behind the name.
    Parsed p;
    parseText(p, "< demo width=\"64\"></demo>");
    ASSERT_EQ(p.root.children.size(), 1u);
    EXPECT_STREQ(p.root.children[0]->name, "demo");
    ASSERT_EQ(p.root.children[0]->attributes.size(), 1u);
    EXPECT_EQ(attributeName(*p.root.children[0], 0), "width");
    EXPECT_EQ(value(*p.root.children[0], 0), "64");

    // A '<' inside a tag ends the name; the rest of the tag is the attribute part.
    Parsed q;
    parseText(q, "<a<b></a>");
    ASSERT_EQ(q.root.children.size(), 1u);
    EXPECT_STREQ(q.root.children[0]->name, "a");
    ASSERT_EQ(q.root.children[0]->attributes.size(), 1u);
    EXPECT_EQ(attributeName(*q.root.children[0], 0), "b");
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

struct ParsedFile {
    ScriptNode root;
    std::string output;
};

void parseScriptFile(ParsedFile& parsed, const char* name)
{
    ::testing::internal::CaptureStdout();
    parseFile(&parsed.root, name);
    parsed.output = ::testing::internal::GetCapturedStdout();
}

std::vector<std::string> childNames(const ScriptNode& node)
{
    std::vector<std::string> names;
    for (const auto& child : node.children)
        names.emplace_back(child->name);
    return names;
}

// Lines about errors, without the data layer's own "load[...]" lines.
std::string errorLines(const std::string& output)
{
    std::string kept;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        end = end == std::string::npos ? output.size() : end + 1;
        const std::string line = output.substr(start, end - start);
        if (line.rfind("XML", 0) == 0)
            kept += line;
        start = end;
    }
    return kept;
}

TEST(ScriptParserFiles, IncludeWithTwoFilesReplacesTheElement)
{
    testing::TempDataDir dir;
    dir.write("data/script.txt",
              "<demo><first></first><include file=\"one.txt\" file=\"two.txt\"><dropped></dropped>"
              "</include><last></last></demo>");
    dir.write("data/one.txt", "<a></a><b></b>");
    dir.write("data/two.txt", "<c></c>");
    ParsedFile p;
    parseScriptFile(p, "script.txt");
    EXPECT_EQ(errorLines(p.output), "");
    ASSERT_EQ(p.root.children.size(), 1u);
    const ScriptNode& demo = *p.root.children[0];
    EXPECT_EQ(childNames(demo), (std::vector<std::string>{"first", "a", "b", "c", "last"}));
    EXPECT_EQ(demo.children[1]->parent, &demo);
}

TEST(ScriptParserFiles, FailingIncludesKeepWhatWasRead)
{
    testing::TempDataDir dir;
    // An included file must end right after its last '>'.
    dir.write("data/script.txt", "<demo><include file=\"tail.txt\"></include><after></after></demo>");
    dir.write("data/tail.txt", "<a></a><b></b>\n");
    ParsedFile trailing;
    parseScriptFile(trailing, "script.txt");
    ASSERT_EQ(trailing.root.children.size(), 1u);
    EXPECT_EQ(childNames(*trailing.root.children[0]), (std::vector<std::string>{"a", "b"}));

    // A closing tag in an included file: the enclosing element's name ends the file silently,
    // any other name fails.
    dir.write("data/script.txt",
              "<demo><include file=\"early.txt\"></include><after></after></demo>"
              "<other><include file=\"wrong.txt\"></include><after></after></other>");
    dir.write("data/early.txt", "<a></a></demo><ignored></ignored>");
    dir.write("data/wrong.txt", "<a></a></elsewhere>");
    ParsedFile closing;
    parseScriptFile(closing, "script.txt");
    EXPECT_EQ(errorLines(closing.output), "XML Error </?> not equal to parent <?> ! [elsewhere]\n");
    ASSERT_EQ(closing.root.children.size(), 2u);
    EXPECT_EQ(childNames(*closing.root.children[0]), (std::vector<std::string>{"a", "after"}));
    EXPECT_EQ(childNames(*closing.root.children[1]), (std::vector<std::string>{"a"}));
}

TEST(ScriptParserFiles, MissingFilesAddNothing)
{
    testing::TempDataDir dir;
    dir.write("data/script.txt", "<demo><include file=\"absent.txt\"></include><after></after></demo>");
    ParsedFile p;
    parseScriptFile(p, "script.txt");
    ASSERT_EQ(p.root.children.size(), 1u);
    EXPECT_EQ(childNames(*p.root.children[0]), (std::vector<std::string>{"after"}));

    ParsedFile none;
    parseScriptFile(none, "nothing.txt");
    EXPECT_TRUE(none.root.children.empty());
    EXPECT_EQ(errorLines(none.output), "");
}

TEST(ScriptParserFiles, IncludeLoopsFailWithAMessage)
{
    testing::TempDataDir dir;
    dir.write("data/script.txt", "<demo><include file=\"self.txt\"></include><after></after></demo>");
    dir.write("data/self.txt", "<x></x><include file=\"SELF.TXT\"></include>");
    ParsedFile p;
    parseScriptFile(p, "script.txt");
    EXPECT_EQ(errorLines(p.output), "XML Error: include loop at [SELF.TXT]\n");
    ASSERT_EQ(p.root.children.size(), 1u);
    EXPECT_EQ(childNames(*p.root.children[0]), (std::vector<std::string>{"x"}));

    // The same file included twice side by side is no loop.
    dir.write("data/script.txt",
              "<demo><include file=\"leaf.txt\" file=\"leaf.txt\"></include></demo>");
    dir.write("data/leaf.txt", "<x></x>");
    ParsedFile twice;
    parseScriptFile(twice, "script.txt");
    EXPECT_EQ(errorLines(twice.output), "");
    EXPECT_EQ(childNames(*twice.root.children[0]), (std::vector<std::string>{"x", "x"}));
}

}  // namespace
}  // namespace velmora
