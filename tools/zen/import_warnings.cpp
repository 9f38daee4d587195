// Warning lines of a conversion.
#include "tools/zen/import_warnings.h"

namespace velmora::zen {

void ImportWarnings::add(const std::string& feature, const std::string& example)
{
    for (Entry& entry : entries_)
        if (entry.feature == feature) {
            ++entry.count;
            return;
        }
    entries_.push_back({feature, example, 1});
}

std::vector<std::string> ImportWarnings::lines() const
{
    std::vector<std::string> out;
    for (const Entry& entry : entries_) {
        std::string line = entry.feature;
        if (entry.count > 1 || !entry.example.empty()) {
            line += " (";
            if (entry.count > 1)
                line += std::to_string(entry.count) + " times";
            if (!entry.example.empty())
                line += std::string(entry.count > 1 ? ", first: " : "") + "'" + entry.example + "'";
            line += ")";
        }
        out.push_back(line);
    }
    return out;
}

}  // namespace velmora::zen
