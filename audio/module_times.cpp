// Module positions to seconds through libopenmpt.
#include "audio/module_times.h"

#include <libopenmpt/libopenmpt.h>

namespace velmora {

std::unique_ptr<ModuleTimes> ModuleTimes::open(const uint8_t* data, uint32_t length)
{
    if (!data || length == 0)
        return nullptr;
    openmpt_module* module = openmpt_module_create_from_memory2(
        data, length, openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr, nullptr,
        nullptr, nullptr);
    if (!module)
        return nullptr;
    return std::unique_ptr<ModuleTimes>(new ModuleTimes(module));
}

ModuleTimes::~ModuleTimes() { openmpt_module_destroy(module_); }

std::optional<double> ModuleTimes::secondsAt(int order, int row)
{
    // libopenmpt ignores a seek to a position that does not exist and answers with the current
    // time, so the position is checked first.
    if (order < 0 || order >= openmpt_module_get_num_orders(module_))
        return std::nullopt;
    const int32_t pattern = openmpt_module_get_order_pattern(module_, order);
    if (pattern < 0 || pattern >= openmpt_module_get_num_patterns(module_))
        return std::nullopt;  // an order list marker ("+++", "---"), no pattern
    if (row < 0 || row >= openmpt_module_get_pattern_num_rows(module_, pattern))
        return std::nullopt;
    const double seconds = openmpt_module_set_position_order_row(module_, order, row);
    // A position the song never plays gets the song's length as its time; seeking to that
    // time lands elsewhere.
    openmpt_module_set_position_seconds(module_, seconds);
    if (openmpt_module_get_current_order(module_) != order || openmpt_module_get_current_row(module_) != row)
        return std::nullopt;
    return seconds;
}

}  // namespace velmora
