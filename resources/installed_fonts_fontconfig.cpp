// Installed fonts on Linux: fontconfig picks the file, which is read whole into memory.
#include "resources/installed_fonts.h"

#include <fontconfig/fontconfig.h>

#include <fstream>
#include <iterator>

#include "resources/names.h"

namespace velmora {
namespace {

// The match's family that equals `family` (a font often lists several names), else its first.
std::string chosenFamily(FcPattern* match, const char* family)
{
    std::string first;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        const char* text = reinterpret_cast<const char*>(name);
        if (sameName(text, family))
            return text;
        if (i == 0)
            first = text;
    }
    return first;
}

bool readFile(const char* path, std::vector<unsigned char>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !bytes.empty();
}

}  // namespace

bool findInstalledFont(const char* family, bool italic, InstalledFont& font)
{
    if (!FcInit())
        return false;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    bool found = false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        readFile(reinterpret_cast<const char*>(file), font.bytes)) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &font.faceIndex) != FcResultMatch)
            font.faceIndex = 0;
        font.family = chosenFamily(match, family);
        found = true;
    }
    FcPatternDestroy(match);
    return found;
}

}  // namespace velmora
