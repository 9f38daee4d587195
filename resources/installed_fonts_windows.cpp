// Installed fonts on Windows: the system's font list (the Fonts key of the registry, the machine's
// and the current user's) names each face's file, which is read whole into memory.
#include "resources/installed_fonts.h"

#include <windows.h>

#include <fstream>
#include <iterator>

#include "resources/names.h"

namespace velmora {
namespace {

struct ListedFace {
    std::string name;  // for example "Arial Bold Italic"
    std::string path;
    int faceIndex;
};

// A face name shown when nothing of the asked name is installed; every Windows has it.
constexpr const char* kFallbackFamily = "Arial";

bool endsWith(const std::string& text, const char* suffix)
{
    const size_t length = std::char_traits<char>::length(suffix);
    return text.size() >= length && sameName(text.substr(text.size() - length).c_str(), suffix);
}

std::string fontsFolder()
{
    char windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows, length > 0 && length < MAX_PATH ? length : 0) + "\\Fonts\\";
}

// One registry value: "Cambria & Cambria Math (TrueType)" -> "C:\...\cambria.ttc" lists two faces
// of a collection. Bitmap fonts (.fon) are left out: only outline fonts can be drawn.
void addFaces(const std::string& value, std::string file, std::vector<ListedFace>& faces)
{
    if (!endsWith(file, ".ttf") && !endsWith(file, ".otf") && !endsWith(file, ".ttc"))
        return;
    if (file.find('\\') == std::string::npos && file.find(':') == std::string::npos)
        file = fontsFolder() + file;
    std::string names = value.substr(0, value.rfind(" ("));
    int index = 0;
    for (size_t start = 0;; ++index) {
        const size_t end = names.find(" & ", start);
        faces.push_back({names.substr(start, end - start), file, index});
        if (end == std::string::npos)
            break;
        start = end + 3;
    }
}

std::vector<ListedFace> listedFaces()
{
    std::vector<ListedFace> faces;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY key;
        if (RegOpenKeyExA(root, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0, KEY_READ, &key) !=
            ERROR_SUCCESS)
            continue;
        for (DWORD i = 0;; ++i) {
            char name[512];
            char data[MAX_PATH + 1];
            DWORD nameLength = sizeof name;
            DWORD dataLength = sizeof data - 1;
            DWORD type = 0;
            const LONG result = RegEnumValueA(key, i, name, &nameLength, nullptr, &type,
                                              reinterpret_cast<BYTE*>(data), &dataLength);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
                continue;
            data[dataLength] = '\0';
            addFaces(std::string(name, nameLength), data, faces);
        }
        RegCloseKey(key);
    }
    return faces;
}

const ListedFace* findFace(const std::vector<ListedFace>& faces, const std::string& name)
{
    for (const ListedFace& face : faces)
        if (sameName(face.name.c_str(), name.c_str()))
            return &face;
    return nullptr;
}

// The family's regular or italic face, the italic falling back to the regular one.
const ListedFace* familyFace(const std::vector<ListedFace>& faces, const std::string& family, bool italic)
{
    const ListedFace* face = nullptr;
    if (italic && !(face = findFace(faces, family + " Italic")))
        face = findFace(faces, family + " Oblique");
    if (!face)
        face = findFace(faces, family);
    if (!face)
        face = findFace(faces, family + " Regular");
    return face;
}

bool readFile(const std::string& path, std::vector<unsigned char>& bytes)
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
    const std::vector<ListedFace> faces = listedFaces();
    std::string chosen = family;
    const ListedFace* face = familyFace(faces, chosen, italic);
    if (!face)
        face = familyFace(faces, chosen = kFallbackFamily, italic);
    if (!face && !faces.empty()) {
        face = &faces.front();
        chosen = face->name;
    }
    if (!face || !readFile(face->path, font.bytes))
        return false;
    font.faceIndex = face->faceIndex;
    font.family = chosen;
    return true;
}

}  // namespace velmora
