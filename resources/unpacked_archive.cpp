// A solid archive unpacked whole on its first lookup.
#include "resources/unpacked_archive.h"

#include <cstdlib>
#include <cstring>

#include "resources/archive.h"

namespace velmora {

void UnpackedArchive::reset(const uint8_t* image, uint32_t length)
{
    image_ = image;
    length_ = length;
    unpacked_ = false;
    complete_ = false;
    held_.clear();
}

void UnpackedArchive::unpack()
{
    unpacked_ = true;
    ArchiveWalk walk(image_, length_);
    if (!walk.open() || !walk.solid())
        return;
    uint64_t total = 0;
    ArchiveEntry entry;
    while (walk.next(entry) == ArchiveWalk::Step::Entry)
        total += entry.unpSize;
    if (total > kBudget)
        return;
    complete_ = unpackWholeArchive(image_, length_, [this](const std::string& key, uint8_t* data, uint32_t size) {
        held_.emplace(
            key, Held{std::unique_ptr<uint8_t, FreeDeleter>(data), size});  // a later entry of the name stays hidden
    });
}

bool UnpackedArchive::extract(const char* name, uint8_t** output, uint32_t* outputSize)
{
    *output = nullptr;
    *outputSize = 0;
    if (name == nullptr)
        return false;
    if (!unpacked_)
        unpack();
    const auto found = held_.find(archiveNameKey(name));
    if (found == held_.end()) {
        if (complete_)
            return false;
        return extractArchiveEntry(image_, length_, name, output, outputSize);
    }
    const Held& held = found->second;
    if (held.size == 0)
        return true;
    auto* copy = static_cast<uint8_t*>(std::malloc(held.size));
    if (copy == nullptr)
        return false;
    std::memcpy(copy, held.data.get(), held.size);
    *output = copy;
    *outputSize = held.size;
    return true;
}

}  // namespace velmora
