// The operating system's installed outline fonts, looked up by face name. One implementation per
// platform sits beside this header: installed_fonts_fontconfig.cpp (Linux, through fontconfig),
// installed_fonts_windows.cpp (the fonts installed in Windows).
#pragma once

#include <string>
#include <vector>

namespace velmora {

struct InstalledFont {
    std::vector<unsigned char> bytes;  // the whole font file (TrueType, OpenType or a collection)
    int faceIndex = 0;                 // the face within a collection; 0 for a single font
    std::string family;                // the family chosen: `family` itself when it is installed
};

// The installed font that the system offers for the face name `family` (its closest match when
// that face is not installed), in its italic style when `italic`. False when the system offers
// no outline font at all or the chosen file cannot be read.
bool findInstalledFont(const char* family, bool italic, InstalledFont& font);

}  // namespace velmora
