// An outline font opened with FreeType for a script's font name: a TrueType or OpenType file in
// the show's data, or a face installed on the system.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <vector>

namespace velmora {

// True when `name` names a font file of the show's data: it ends in ".ttf" or ".otf", in any case.
bool isFontFileName(const char* name);

class FontFace {
public:
    FontFace() = default;
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Opens the font `name`: a font file is read through DataFile; any other name is a face
    // name, with "_" standing for a space (a script value cannot hold one), looked up among the
    // installed fonts in its italic style when `italic`. A font file that is missing or that
    // FreeType cannot read falls back to the installed face named like the file without its
    // extension, and a face that is not installed to the system's closest match, each with a
    // line on stderr. False when no font could be opened at all.
    bool open(const char* name, bool italic);

    // The opened face (owned by this object, valid until it is destroyed); null when open failed.
    FT_Face face() const { return face_; }

private:
    bool openBytes();
    bool openInstalled(const char* name, bool italic);

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    std::vector<unsigned char> bytes_;  // the font file; FreeType reads it for as long as face_ lives
    int faceIndex_ = 0;
};

}  // namespace velmora
