// The times of a tracker module's positions, from libopenmpt's own playback of the song (its
// tempo and speed changes included), on a module instance of its own that never plays.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

struct openmpt_module;

namespace velmora {

class ModuleTimes {
public:
    // Copies `data`; null when libopenmpt does not accept the bytes.
    static std::unique_ptr<ModuleTimes> open(const uint8_t* data, uint32_t length);
    ~ModuleTimes();
    ModuleTimes(const ModuleTimes&) = delete;
    ModuleTimes& operator=(const ModuleTimes&) = delete;

    // Seconds from the start of the song until playback first reaches `row` of the pattern at
    // `order`; none when the order list has no such entry, the pattern no such row, or the song
    // never gets there (a jump skips it).
    std::optional<double> secondsAt(int order, int row);

private:
    explicit ModuleTimes(openmpt_module* module) : module_(module) {}

    openmpt_module* module_;
};

}  // namespace velmora
