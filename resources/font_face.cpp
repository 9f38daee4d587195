// FontFace: a script's font name to a FreeType face, from the show's data or the installed fonts.
#include "resources/font_face.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "resources/data_file.h"
#include "resources/installed_fonts.h"
#include "resources/names.h"

namespace velmora {
namespace {

// The part of a font file's name that names its face: no folders, no extension.
std::string faceNameOfFile(const char* name)
{
    const char* base = name;
    for (const char* c = name; *c; ++c) {
        if (*c == '/' || *c == '\\')
            base = c + 1;
    }
    return std::string(base, std::strlen(base) - 4);
}

}  // namespace

bool isFontFileName(const char* name)
{
    const size_t length = std::strlen(name);
    return length > 4 && (sameName(name + length - 4, ".ttf") || sameName(name + length - 4, ".otf"));
}

FontFace::~FontFace()
{
    if (face_)
        FT_Done_Face(face_);
    if (library_)
        FT_Done_FreeType(library_);
}

bool FontFace::open(const char* name, bool italic)
{
    if (!library_ && FT_Init_FreeType(&library_) != 0) {
        library_ = nullptr;
        return false;
    }
    if (!isFontFileName(name))
        return openInstalled(name, italic);

    const std::string faceName = faceNameOfFile(name);
    {
        DataFile file(name);
        if (file.size() == 0) {
            std::fprintf(stderr, "font: %s cannot be read from the show's data: using the installed face \"%s\"\n", name,
                         faceName.c_str());
            return openInstalled(faceName.c_str(), italic);
        }
        const auto* data = static_cast<const unsigned char*>(file.data());
        bytes_.assign(data, data + file.size());
        faceIndex_ = 0;
    }
    if (openBytes())
        return true;
    std::fprintf(stderr, "font: %s is not a TrueType or OpenType font: using the installed face \"%s\"\n", name,
                 faceName.c_str());
    return openInstalled(faceName.c_str(), italic);
}

bool FontFace::openBytes()
{
    if (face_) {
        FT_Done_Face(face_);
        face_ = nullptr;
    }
    if (FT_New_Memory_Face(library_, bytes_.data(), FT_Long(bytes_.size()), faceIndex_, &face_) != 0) {
        face_ = nullptr;
        return false;
    }
    if (face_->units_per_EM == 0 || !FT_IS_SCALABLE(face_)) {
        FT_Done_Face(face_);
        face_ = nullptr;
        return false;
    }
    return true;
}

bool FontFace::openInstalled(const char* name, bool italic)
{
    std::string faceName = name;
    for (char& c : faceName) {
        if (c == '_')
            c = ' ';
    }
    InstalledFont font;
    if (!findInstalledFont(faceName.c_str(), italic, font))
        return false;
    if (!sameName(font.family.c_str(), faceName.c_str()))
        std::fprintf(stderr, "font: \"%s\" is not installed: using \"%s\"\n", faceName.c_str(), font.family.c_str());
    bytes_ = std::move(font.bytes);
    faceIndex_ = font.faceIndex;
    return openBytes();
}

}  // namespace velmora
