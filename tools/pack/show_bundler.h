// `velmora-pack bundle`: a player with a show attached, one file to hand to someone.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velmora::pack {

struct BundleRequest {
    std::filesystem::path show;    // a show folder holding data/..., or a RAR archive of one
    std::filesystem::path output;  // the bundle to write (may be the player itself)
    std::filesystem::path player;  // empty: the release player beside velmora-pack
    bool windows = false;          // the Windows player beside velmora-pack, not the Linux one
};

// Writes the player's image (without any show attached to it before) and the show's archive
// behind it, executable. Files of a show folder that are not packed are listed in `skipped` as
// the archive writer says (collectEntries). Returns false with one line in `error` when the
// show, the player or the output does not work out; `summary` then is empty.
bool bundleShow(const BundleRequest& request, std::string& summary, std::vector<std::string>& skipped,
                std::string& error);

}  // namespace velmora::pack
