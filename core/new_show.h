// `velmora --new FOLDER`: a small show to start from, written as a folder that plays as it is
// with `velmora --data FOLDER`.
#pragma once

#include <string>

namespace velmora {

// Writes FOLDER/data/script.txt and the data files the starter carries, taken from the data
// source in use (the archive built into the player), as writeShowFolder does: never over an
// existing file, through a link or outside FOLDER. False with the reason in `error`.
bool writeNewShow(const std::string& folder, std::string& error);

// The starter script's text.
const char* newShowScript();

}  // namespace velmora
