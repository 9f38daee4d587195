// The built-in show written out as a folder: every archive entry, read in one pass.
#include "core/show_unpack.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

#include "core/show_folder.h"
#include "resources/archive.h"

namespace velmora {

bool unpackShow(const uint8_t* image, uint32_t length, const std::string& folder, std::string& error)
{
    // The stored names in archive order, which is also the order of the single unpacking pass.
    std::vector<ArchiveEntry> entries;
    ArchiveWalk walk(image, length);
    ArchiveEntry entry;
    if (walk.open())
        while (walk.next(entry) == ArchiveWalk::Step::Entry)
            entries.push_back(entry);

    std::vector<ShowFolderFile> files;
    std::set<std::string> keys;  // the player finds only the first of names that match alike
    size_t at = 0;
    bool inStep = true;
    const bool complete = unpackWholeArchive(image, length, [&](const std::string& key, uint8_t* data, uint32_t size) {
        if (at >= entries.size() || archiveNameKey(entries[at].name.c_str()) != key)
            inStep = false;
        if (inStep && !entries[at].isDirectory() && keys.insert(key).second) {
            std::string path = entries[at].name;
            std::replace(path.begin(), path.end(), '\\', '/');
            files.push_back({path, data ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>()});
        }
        std::free(data);
        ++at;
    });
    if (!complete || !inStep || files.empty()) {
        error = "the show's archive is damaged or empty: nothing was written";
        return false;
    }
    return writeShowFolder(folder, files, error);
}

}  // namespace velmora
