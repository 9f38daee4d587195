// The script markup parser: one recursive descent over a data file's bytes, with includes
// parsed in place and errors reported on the console.
#include "core/script_parser.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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
void printExcerpt(const char* text, const char* end)
{
    const int length = static_cast<int>(std::min<ptrdiff_t>(10, end - text));
    std::printf("%.*s", length, text);
}

// What the current descent is inside of: its depth and the chain of files being parsed (for
// spotting a file that includes itself, directly or through others).
struct ParseContext {
    int depth = 0;
    std::vector<std::string> files;
};

bool fileInChain(const ParseContext& context, const char* name)
{
    return std::any_of(context.files.begin(), context.files.end(),
                       [name](const std::string& open) { return sameName(open.c_str(), name); });
}

int parseLevel(ScriptNode* node, DataStream& stream, ParseContext& context);

// Parses an included file into `node`; kParseOk when the file is missing (it adds nothing).
int parseIncluded(ScriptNode* node, const char* fileName, ParseContext& context)
{
    if (fileInChain(context, fileName)) {
        std::printf("XML Error: include loop at [%s]\n", fileName);
        return kParseFailed;
    }
    DataFile file(fileName);
    context.files.emplace_back(fileName);
    const int status = parseLevel(node, file, context);
    context.files.pop_back();
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
    parseAttributes(&include, attributes, length);
    if (parseLevel(&include, stream, context) != kParseOk)
        return kParseFailed;
    for (const auto& attribute : include.attributes) {
        if (sameName(attribute->name, "file") && parseIncluded(node, attribute->value, context) != kParseOk)
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
        std::printf("XML Error: nesting deeper than %d [", kMaxScriptDepth);
        printExcerpt(begin + stream.tell(), end);
        std::printf("]\n");
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
        if (!open)
            return kParseStopped;
        const char* close = static_cast<const char*>(std::memchr(open + 1, '>', end - (open + 1)));
        if (!close) {
            std::printf("XML Error expected > [");
            printExcerpt(cur, end);
            std::printf("]\n");
            return kParseStopped;
        }
        const bool closingTag = open[1] == '/';
        stream.seek(static_cast<uint32_t>(close + 1 - cur), 1);

        // The name is looked for inside the tag only: a letter behind the '>' does not count.
        const char* name = open + 1;
        while (name < close && !isLetter(*name))
            ++name;
        if (name == close) {
            std::printf("XML Error[");
            printExcerpt(open + 1, end);
            std::printf("]\n");
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
            std::printf("XML Error </?> not equal to parent <?> ! [%.10s]\n", tagName);
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
            parseAttributes(child.get(), nameEnd, attributeLength);
            ScriptNode* added = child.get();
            node->children.push_back(std::move(child));
            if (parseLevel(added, stream, context) != kParseOk)
                return kParseFailed;
        }
        if (stream.eof() || stream.tell() >= stream.size())
            return kParseOk;
    }
}

}  // namespace

int parseFile(ScriptNode* node, const char* fileName)
{
    DataFile file(fileName);
    ParseContext context;
    context.files.emplace_back(fileName);
    return parseLevel(node, file, context);
}

int parseChildren(ScriptNode* node, DataStream& stream)
{
    ParseContext context;
    return parseLevel(node, stream, context);
}

void parseAttributes(ScriptNode* node, const char* text, uint32_t length)
{
    const char* const end = text + length;
    const char* cursor = text;
    for (;;) {
        while (cursor < end && !isLetter(*cursor))
            ++cursor;
        if (cursor >= end)
            return;
        const char* tokenEnd = cursor;
        while (tokenEnd < end && !endsName(*tokenEnd))
            ++tokenEnd;
        const char* const token = cursor;
        const char* const cut = token + std::min<ptrdiff_t>(tokenEnd - token, kMaxTokenLength);
        cursor = tokenEnd;

        auto attribute = std::make_unique<ScriptAttribute>();
        const char* equals = std::find(token, cut, '=');
        copyField(attribute->name, token, equals - token);
        if (equals != cut) {
            const char* quote = std::find(equals + 1, cut, '"');
            if (quote != cut) {
                const char* valueEnd = std::find(quote + 1, cut, '"');
                copyField(attribute->value, quote + 1, valueEnd - (quote + 1));
            }
        }
        node->attributes.push_back(std::move(attribute));
    }
}

}  // namespace velmora
