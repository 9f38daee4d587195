// A solid archive unpacked whole on its first lookup. In a solid archive every entry continues
// the packed stream of the ones before it, so looking entries up one by one would unpack the
// front of the archive again for each; a show reads dozens of files at start-up.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_map>

namespace velmora {

class UnpackedArchive {
public:
    // Forgets what was unpacked; the next lookup looks at `image` afresh. The image must
    // outlive every lookup.
    void reset(const uint8_t* image, uint32_t length);

    // Same contract as extractArchiveEntry on the image (without an image every lookup
    // fails). A solid archive whose entries add up
    // to at most kBudget bytes is unpacked whole on the first call and answered from memory;
    // any other archive, and a name not held from an archive that could not be read to its end,
    // goes to extractArchiveEntry.
    bool extract(const char* name, uint8_t** output, uint32_t* outputSize);

    static constexpr uint64_t kBudget = 256u << 20;

private:
    void unpack();

    const uint8_t* image_ = nullptr;
    uint32_t length_ = 0;
    bool unpacked_ = false;  // the first lookup has decided
    bool complete_ = false;  // every entry is held: a name not held is not in the archive
    struct FreeDeleter {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    struct Held {
        std::unique_ptr<uint8_t, FreeDeleter> data;  // the block the unpacking made; null when empty
        uint32_t size = 0;
    };
    std::unordered_map<std::string, Held> held_;  // by name key: the first entry of a name
};

}  // namespace velmora
