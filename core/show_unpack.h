// `velmora --unpack FOLDER`: the show built into the player, written out as a show folder that
// plays with `velmora --data FOLDER` and can be studied and changed.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// Writes every file of the archive `image` below `folder` under its stored path ("data\x.tga"
// becomes FOLDER/data/x.tga), as writeShowFolder does: never over an existing file, through a
// link or outside the folder. False with one line in `error` (a damaged archive writes nothing).
bool unpackShow(const uint8_t* image, uint32_t length, const std::string& folder, std::string& error);

}  // namespace velmora
