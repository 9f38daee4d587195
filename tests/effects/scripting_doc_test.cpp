// docs/scripting.md against the effects' parameter tables: for every effect type, the first
// attribute table of its section names exactly the attributes its table declares, with the same
// kind of value, and its child table exactly the child elements.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "core/effect_parameters.h"
#include "effects/effect_table.h"

namespace velmora {
namespace {

// Name -> kind as the guide writes it ("integer", "blend code", ...; children have none).
using Declared = std::map<std::string, std::string>;

struct Section {
    Declared attributes;
    Declared children;
};

const char* documentedKind(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Integer:
    case ValueKind::Flag:
        return "integer";
    case ValueKind::Float:
        return "float";
    case ValueKind::Colour:
        return "colour";
    case ValueKind::Vector:
        return "vector";
    case ValueKind::Text:
    case ValueKind::File:
        return "text";
    case ValueKind::Blend:
        return "blend code";
    }
    return "?";
}

std::string trim(const std::string& s)
{
    const size_t first = s.find_first_not_of(' ');
    const size_t last = s.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

// The cells of a table row "| a | b | c |".
std::vector<std::string> cells(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream in(line.substr(1));
    std::string cell;
    while (std::getline(in, cell, '|'))
        out.push_back(trim(cell));
    return out;
}

// Every `name` in a cell such as "`dirmin`, `dirmax`".
std::vector<std::string> quotedNames(const std::string& cell)
{
    std::vector<std::string> names;
    for (size_t open = cell.find('`'); open != std::string::npos; open = cell.find('`', open)) {
        const size_t close = cell.find('`', open + 1);
        if (close == std::string::npos)
            break;
        names.push_back(cell.substr(open + 1, close - open - 1));
        open = close + 1;
    }
    return names;
}

// Per effect heading "#### `type`": its first "| Attribute |" table and first "| Child |" table.
std::map<std::string, Section> readGuide()
{
    std::ifstream file(VELMORA_SOURCE_DIR "/docs/scripting.md");
    std::map<std::string, Section> sections;
    Section* current = nullptr;
    Declared* table = nullptr;
    bool sawAttributes = false, sawChildren = false;
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("#", 0) == 0) {
            const auto names = quotedNames(line);
            const bool effectHeading = line.rfind("#### `", 0) == 0 && names.size() == 1;
            current = effectHeading ? &sections[names[0]] : nullptr;
            table = nullptr;
            sawAttributes = sawChildren = false;
            continue;
        }
        if (!current)
            continue;
        if (line.rfind("| Attribute |", 0) == 0) {
            table = sawAttributes ? nullptr : &current->attributes;
            sawAttributes = true;
        } else if (line.rfind("| Child |", 0) == 0) {
            table = sawChildren ? nullptr : &current->children;
            sawChildren = true;
        } else if (line.rfind("|---", 0) == 0) {
        } else if (line.rfind("| ", 0) == 0 && table) {
            const auto row = cells(line);
            const bool isChild = table == &current->children;
            for (const std::string& name : quotedNames(row[0]))
                (*table)[name] = isChild || row.size() < 2 ? "" : row[1];
        } else {
            table = nullptr;
        }
    }
    return sections;
}

TEST(ScriptingGuide, ListsExactlyTheAttributesAndChildrenOfEachEffectsTables)
{
    const auto guide = readGuide();
    ASSERT_FALSE(guide.empty()) << "docs/scripting.md not found or without effect sections";
    for (const EffectType& type : effectTable()) {
        const auto effect = type.create();
        const EffectScript script = effect->script();
        Section declared;
        for (const auto& row : script.attributes)
            declared.attributes[row.name] = documentedKind(row.kind);
        for (const auto& row : script.children)
            declared.children[row.name] = "";
        const auto found = guide.find(type.name);
        ASSERT_NE(found, guide.end()) << "no section for " << type.name;
        EXPECT_EQ(found->second.attributes, declared.attributes) << type.name;
        EXPECT_EQ(found->second.children, declared.children) << type.name;
    }
}

}  // namespace
}  // namespace velmora
