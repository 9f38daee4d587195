// The starter show of `velmora --new`.
#include "core/new_show.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "resources/data_file.h"

namespace velmora {

namespace {

// Files of the built-in show that the starter script uses, and where they go.
struct StarterFile {
    const char* logicalName;  // in the data source
    const char* path;         // below FOLDER
};
constexpr StarterFile kStarterFiles[] = {
    {"glow.tga", "data/textures/glow.tga"},
    {"velmora.xm", "data/music/velmora.xm"},
};

}  // namespace

const char* newShowScript()
{
    return R"(// A small velmora show to start from. docs/scripting.md explains every element used here;
// "Author mode" there shows how to work on it: velmora --data THIS_FOLDER --watch
// reloads the show each time you save, at the same time in the show.
// A comment line must hold no angle bracket.

// The window: 640 x 480, not fullscreen.
<demo width="640" height="480" fullscreen="0">
<create></create>

// The effects: a background, a picture, particles, wave lines, a flash on the beat, the music.
<add type="clear" name="bg"></add>
<bg color="ff101828"></bg>
<add type="picture" name="glow"></add>
<glow filename="glow.tga" color="4070c0"></glow>
<add type="particlebox" name="dust"></add>
<dust number="200" texture="glow.tga" dim="18,14,60" spawndim="18,14,60"
    dirmin="0,0,0.04" dirmax="0,0,0.12" tra="0,0,-32" color="ffffa050"></dust>
<add type="waveeffect" name="waves"></add>
<waves speed="0.8"></waves>
<add type="flash" name="beat"></add>
<beat mode="0" color="ff402010" attack="5" sustain="5" decay="0.6"></beat>
<add type="musicplay" name="tune"></add>
<tune filename="velmora.xm"></tune>

// The timeline: times in seconds of the show.
<event time="0">
<draworder effect="bg" effect="glow" effect="dust" effect="beat"></draworder>
<tune><play></play></tune>
</event>
<event time="3.84">
<draworder effect="bg" effect="glow" effect="dust" effect="waves" effect="beat"></draworder>
<beat><go></go></beat>
</event>
<event time="7.68">
<beat><go></go></beat>
<glow color="c06040"></glow>
</event>
<event time="11.52">
<exit></exit>
</event>

// The picture drawn while the rest loads, then the show.
<load effect="bg"></load>
<run></run>
</demo>
)";
}

bool writeNewShow(const std::string& folder, std::string& error)
{
    namespace fs = std::filesystem;
    const fs::path root(folder);
    std::error_code ec;
    if (fs::exists(root / "data" / "script.txt", ec)) {
        error = (root / "data" / "script.txt").string() + " exists already";
        return false;
    }
    fs::create_directories(root / "data" / "textures", ec);
    fs::create_directories(root / "data" / "music", ec);
    if (ec) {
        error = "cannot create " + folder + ": " + ec.message();
        return false;
    }
    auto writeFile = [&](const fs::path& path, const char* bytes, size_t size) {
        std::ofstream out(path, std::ios::binary);
        out.write(bytes, static_cast<std::streamsize>(size));
        if (!out) {
            error = "cannot write " + path.string();
            return false;
        }
        return true;
    };
    const std::string script = newShowScript();
    if (!writeFile(root / "data" / "script.txt", script.data(), script.size()))
        return false;
    for (const StarterFile& file : kStarterFiles) {
        DataFile data(file.logicalName);
        if (data.size() == 0) {
            error = std::string("the player carries no ") + file.logicalName;
            return false;
        }
        if (!writeFile(root / file.path, reinterpret_cast<const char*>(data.data()), data.size()))
            return false;
    }
    return true;
}

}  // namespace velmora
