// The script markup parser: one recursive descent over a data file's bytes, with includes
// parsed in place and errors reported on the console.
#include "core/script_parser.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/script_values.h"
#include "resources/data_file.h"

namespace velmora {

namespace {

// Attribute tokens are read through a buffer of this size; longer tokens are cut.
constexpr uint32_t kMaxTokenLength = 255;

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool endsName(char c) { return c == ' ' || c == '\t' || c == '<' || c == '>'; }

// Copies `length` characters into a script field, cut to the field's 31 characters.
void copyField(char (&field)[kScriptFieldSize], const char* text, size_t length)
{
    length = std::min(length, static_cast<size_t>(kScriptFieldSize - 1));
    std::memcpy(field, text, length);
    std::memset(field + length, 0, kScriptFieldSize - length);
}

// Up to ten characters of the data at `text` for error lines; stops at the end of the data.
std::string excerpt(const char* text, const char* end)
{
    return std::string(text, static_cast<size_t>(std::min<ptrdiff_t>(10, end - text)));
}

// One script file being read: its name and a running count of its lines.
struct FileCursor {
    std::shared_ptr<const std::string> name;
    const char* begin = nullptr;    // the file's data
    const char* counted = nullptr;  // lines are counted up to here
    uint32_t line = 1;              // line at `counted`

    // Line of the character at `at` (positions are asked for in increasing order, mostly).
    uint32_t lineAt(const char* at)
    {
        if (at < counted) {
            counted = begin;
            line = 1;
        }
        line += static_cast<uint32_t>(std::count(counted, at, '\n'));
        counted = at;
        return line;
    }
};

// What the current descent is inside of: its depth, the chain of files being parsed (for spotting
// a file that includes itself, directly or through others), and where problems go.
struct ParseContext {
    int depth = 0;
    std::vector<FileCursor> files;
    std::vector<ScriptProblem>* problems = nullptr;  // null: the console
    std::vector<std::string>* errorLines = nullptr;  // the console's error lines, also kept here
    const char* trailingText = nullptr;              // where the last stop for want of a '<' began

    FileCursor& file() { return files.back(); }

    // One of the parser's error lines (standard output), at `at` in the current file.
    void error(const char* at, const std::string& line)
    {
        if (problems) {
            problems->push_back({*file().name, at ? file().lineAt(at) : 0, line});
            return;
        }
        std::printf("%s\n", line.c_str());
        if (errorLines)
            errorLines->push_back(line);
    }
};

bool fileInChain(const ParseContext& context, const char* name)
{
    return std::any_of(context.files.begin(), context.files.end(), [name](const FileCursor& open) {
        return sameName(open.name->c_str(), name);
    });
}

void readAttributes(ScriptNode* node, const char* text, uint32_t length, FileCursor* cursor);
int parseLevel(ScriptNode* node, DataStream& stream, ParseContext& context);

// Reads `stream`, the data of the file `fileName`, into `node` with that file's cursor on top.
int parseStream(ScriptNode* node, DataStream& stream, const char* fileName, ParseContext& context)
{
    FileCursor cursor;
    cursor.name = std::make_shared<const std::string>(fileName);
    cursor.begin = cursor.counted = reinterpret_cast<const char*>(stream.data());
    context.files.push_back(std::move(cursor));
    const int status = parseLevel(node, stream, context);
    context.files.pop_back();
    return status;
}

// Parses an included file into `node`; kParseOk when the file is missing (it adds nothing).
// `at` is the include element in the current file.
int parseIncluded(ScriptNode* node, const char* fileName, const char* at, ParseContext& context)
{
    if (fileInChain(context, fileName)) {
        context.error(at, std::string("XML Error: include loop at [") + fileName + "]");
        return kParseFailed;
    }
    DataFile file(fileName, context.problems ? LoadLines::Silent : LoadLines::Print);
    if (file.size() == 0 && context.problems)
        context.problems->push_back(
            {*context.file().name,
             context.file().lineAt(at),
             std::string("include: no data file [") + fileName + "] (" + dataFilePath(fileName) + ")"});
    context.trailingText = nullptr;
    const int status = parseStream(node, file, fileName, context);
    if (status != kParseOk && context.trailingText) {
        // Text after the last tag (also after one left open) is harmless at the end of the main
        // script, but here it fails the include: say so. An include failing deeper down has said
        // so already and cleared trailingText.
        const char* const end = reinterpret_cast<const char*>(file.data()) + file.size();
        const bool blank = std::all_of(context.trailingText, end, [](char c) { return std::isspace(uint8_t(c)); });
        FileCursor cursor{
            nullptr, reinterpret_cast<const char*>(file.data()), reinterpret_cast<const char*>(file.data())};
        const std::string line = std::string("[") + fileName + "] ends with " + (blank ? "a line break" : "text") +
                                 " after its last tag: the rest of the script is not read";
        if (context.problems)
            context.problems->push_back({fileName, cursor.lineAt(context.trailingText), line});
        else
            printNote("%s", line.c_str());
    }
    context.trailingText = nullptr;
    return status;
}

// The `include` element whose attribute part is [attributes, attributes + length): its own
// content up to `</include>` is read and discarded, then each `file` is parsed into `node`.
int parseInclude(ScriptNode* node, DataStream& stream, const char* attributes, uint32_t length,
                 ParseContext& context)
{
    ScriptNode include;
    copyField(include.name, "include", 7);
    include.parent = node;
    readAttributes(&include, attributes, length, nullptr);
    if (parseLevel(&include, stream, context) != kParseOk)
        return kParseFailed;
    for (const auto& attribute : include.attributes) {
        if (sameName(attribute->name, "file") && parseIncluded(node, attribute->value, attributes, context) != kParseOk)
            return kParseFailed;
    }
    return kParseOk;
}

int parseLevel(ScriptNode* node, DataStream& stream, ParseContext& context)
{
    const char* const begin = reinterpret_cast<const char*>(stream.data());
    const char* const end = begin + stream.size();
    if (!begin || stream.eof() || stream.tell() >= stream.size())
        return kParseOk;
    if (context.depth >= kMaxScriptDepth) {
        const char* at = begin + stream.tell();
        context.error(
            at, "XML Error: nesting deeper than " + std::to_string(kMaxScriptDepth) + " [" + excerpt(at, end) + "]");
        return kParseFailed;
    }
    ++context.depth;
    struct DepthGuard {
        int& depth;
        ~DepthGuard() { --depth; }
    } guard{context.depth};

    for (;;) {
        const char* cur = begin + stream.tell();
        const char* open = static_cast<const char*>(std::memchr(cur, '<', end - cur));
        if (!open) {
            context.trailingText = cur;
            return kParseStopped;
        }
        const char* close = static_cast<const char*>(std::memchr(open + 1, '>', end - (open + 1)));
        if (!close) {
            context.error(open, "XML Error expected > [" + excerpt(cur, end) + "]");
            return kParseStopped;
        }
        const bool closingTag = open[1] == '/';
        stream.seek(static_cast<uint32_t>(close + 1 - cur), 1);

        // The name is looked for inside the tag only: a letter behind the '>' does not count.
        const char* name = open + 1;
        while (name < close && !isLetter(*name))
            ++name;
        if (name == close) {
            context.error(open, "XML Error[" + excerpt(open + 1, end) + "]");
            return kParseStopped;
        }
        const char* nameEnd = name;
        while (nameEnd < close && !endsName(*nameEnd))
            ++nameEnd;
        char tagName[kScriptFieldSize];
        copyField(tagName, name, nameEnd - name);

        if (closingTag) {
            if (!node->parent || sameName(tagName, node->name))
                return kParseOk;
            const std::string shown(tagName, strnlen(tagName, 10));
            context.error(open, "XML Error </?> not equal to parent <?> ! [" + shown + "]");
            return kParseFailed;
        }

        // Attributes run from the end of the name to the '>', so a name that does not directly
        // follow the '<' still keeps the attribute part inside the tag.
        const uint32_t attributeLength = static_cast<uint32_t>(close - nameEnd);
        if (sameName(tagName, "include")) {
            if (parseInclude(node, stream, nameEnd, attributeLength, context) != kParseOk)
                return kParseFailed;
        } else {
            auto child = std::make_unique<ScriptNode>();
            std::memcpy(child->name, tagName, kScriptFieldSize);
            child->parent = node;
            child->nameLength = static_cast<uint32_t>(nameEnd - name);
            child->line = context.file().lineAt(name);
            child->file = context.file().name;
            readAttributes(child.get(), nameEnd, attributeLength, &context.file());
            ScriptNode* added = child.get();
            node->children.push_back(std::move(child));
            if (parseLevel(added, stream, context) != kParseOk)
                return kParseFailed;
        }
        if (stream.eof() || stream.tell() >= stream.size())
            return kParseOk;
    }
}

void readAttributes(ScriptNode* node, const char* text, uint32_t length, FileCursor* cursor)
{
    const char* const end = text + length;
    const char* cursorAt = text;
    for (;;) {
        while (cursorAt < end && !isLetter(*cursorAt))
            ++cursorAt;
        if (cursorAt >= end)
            return;
        const char* tokenEnd = cursorAt;
        while (tokenEnd < end && !endsName(*tokenEnd))
            ++tokenEnd;
        const char* const token = cursorAt;
        const char* const cut = token + std::min<ptrdiff_t>(tokenEnd - token, kMaxTokenLength);
        cursorAt = tokenEnd;

        auto attribute = std::make_unique<ScriptAttribute>();
        attribute->line = cursor ? cursor->lineAt(token) : 0;
        const char* equals = std::find(token, cut, '=');
        copyField(attribute->name, token, equals - token);
        attribute->nameLength = static_cast<uint32_t>(equals - token);
        attribute->quotes = equals == cut ? ValueQuotes::NoValue : ValueQuotes::None;
        if (equals != cut) {
            const char* quote = std::find(equals + 1, cut, '"');
            if (quote != cut) {
                const char* valueEnd = std::find(quote + 1, cut, '"');
                copyField(attribute->value, quote + 1, valueEnd - (quote + 1));
                attribute->valueLength = static_cast<uint32_t>(valueEnd - (quote + 1));
                attribute->quotes = valueEnd == cut ? ValueQuotes::LeftOpen : ValueQuotes::Closed;
            }
        }
        node->attributes.push_back(std::move(attribute));
    }
}

}  // namespace

int parseFile(ScriptNode* node, const char* fileName, std::vector<std::string>* errorLines)
{
    DataFile file(fileName);
    ParseContext context;
    context.errorLines = errorLines;
    return parseStream(node, file, fileName, context);
}

int parseFileQuietly(ScriptNode* node, const char* fileName, std::vector<ScriptProblem>& problems)
{
    DataFile file(fileName, LoadLines::Silent);
    ParseContext context;
    context.problems = &problems;
    if (file.size() == 0)
        problems.push_back(
            {fileName, 0, "no data file [" + std::string(fileName) + "] (" + dataFilePath(fileName) + ")"});
    return parseStream(node, file, fileName, context);
}

int parseChildren(ScriptNode* node, DataStream& stream)
{
    ParseContext context;
    return parseStream(node, stream, "", context);
}

void parseAttributes(ScriptNode* node, const char* text, uint32_t length)
{
    readAttributes(node, text, length, nullptr);
}

}  // namespace velmora
