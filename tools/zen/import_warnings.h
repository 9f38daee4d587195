// The features a conversion drops or changes, one line each however often they occur.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velmora::zen {

class ImportWarnings {
public:
    // Counts one occurrence of `feature` (a fixed sentence); `example` names the first object
    // it was seen on.
    void add(const std::string& feature, const std::string& example = "");
    // "FEATURE (N times, first: EXAMPLE)" per feature, in the order first seen.
    std::vector<std::string> lines() const;

private:
    struct Entry {
        std::string feature;
        std::string example;
        size_t count;
    };
    std::vector<Entry> entries_;
};

}  // namespace velmora::zen
