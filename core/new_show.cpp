// The starter show of `velmora --new`.
#include "core/new_show.h"

#include <cstdlib>
#include <vector>

#include "core/show_folder.h"
#include "resources/data_source.h"

namespace velmora {

namespace {

// The files of the built-in show that the starter carries, by their path in the show: those its
// script plays, and those that the examples of docs/scripting.md name or that the effects in
// them read by themselves (star sprites, an environment map, the sky box, the fixed scenes and
// their textures, the font...), so that an example pasted into the script plays as it is.
constexpr const char* kStarterFiles[] = {
    "data/music/velmora.xm",       "data/music/impact.wav",         "data/TEDDY.DAT",
    "data/TEDHEAD.DAT",            "data/textures/STARS.BMP",       "data/textures/glow.tga",
    "data/textures/spark.tga",     "data/textures/title.tga",       "data/textures/chrome.tga",
    "data/textures/ribbon.tga",    "data/textures/water.tga",       "data/textures/shadow.bmp",
    "data/textures/leafsmall.bmp", "data/textures/treesmall.bmp",   "data/textures/sky_front.tga",
    "data/textures/sky_back.tga",  "data/textures/sky_top.tga",     "data/textures/sky_bot.tga",
    "data/textures/sky_left.tga",  "data/textures/sky_right.tga",   "data/textures/wtf1.tga",
    "data/textures/wtf2.tga",      "data/textures/wtf3.tga",        "data/textures/wtf4.tga",
    "data/textures/stone.tga",     "data/textures/alphagrate.tga",  "data/textures/fishskin.tga",
    "data/textures/goldenv.tga",   "data/scenes/pillars.zen",       "data/scenes/cog.zen",
    "data/scenes/tap2.zen",        "data/scenes/headlook.zen",      "data/scenes/fish.zen",
    "data/scenes/gold.zen",        "data/scenes/stairs.zen",        "data/DejaVuSans.ttf",
    "data/DejaVuSans-LICENSE.txt",  // a font goes with its licence
};

}  // namespace

const char* newShowScript()
{
    return R"(// A small velmora show to start from. docs/scripting.md explains every element used here;
// "Author mode" there shows how to work on it: velmora --data THIS_FOLDER --watch
// reloads the show each time you save, at the same time in the show.
// A comment line must hold no angle bracket.
//
// This folder also holds the data files that the guide's examples name or need (star sprites,
// an environment map, a sky box, the teddy, the fixed scenes...): an example pasted in plays.

// The window: 640 x 480, not fullscreen. The beat grid: the module plays 125 beats a minute,
// so a beat lasts 0.48 s.
<demo width="640" height="480" fullscreen="0" bpm="125">
<create></create>

// The effects: a background, stars, a picture, particles, wave lines, a flash, the music.
<add type="clear" name="bg"></add>
<bg color="ff101828"></bg>
<add type="starspace" name="stars"></add>
<stars speed="0.5"></stars>
<add type="picture" name="glow"></add>
<glow filename="glow.tga" color="4070c0"></glow>
<add type="particlebox" name="dust"></add>
<dust number="200" texture="spark.tga" dim="18,14,60" spawndim="18,14,60"
    dirmin="0,0,0.04" dirmax="0,0,0.12" tra="0,0,-32" color="ffffa050"></dust>
<add type="waveeffect" name="waves"></add>
<waves speed="0.8"></waves>
<add type="flash" name="beat"></add>
<beat mode="0" color="ff603018" attack="0.5" sustain="4" decay="0.5"></beat>
<add type="musicplay" name="tune"></add>
<tune filename="velmora.xm"></tune>

// The timeline. An event fires at a time in seconds (time), at a beat of the grid above
// (beat), or where the module reaches an order and row (order, row, and music naming the
// musicplay effect); the music must be started by an event with a time of its own.
<event time="0">
<draworder effect="bg" effect="glow" effect="dust"></draworder>
<tune><play></play></tune>
</event>

// Beat 8, 3.84 s: the wave lines come in with a flash.
<event beat="8">
<draworder effect="bg" effect="glow" effect="dust" effect="waves" effect="beat"></draworder>
<beat><go></go></beat>
</event>

// The song's second pattern, order 1 row 0 (7.68 s): a cut to the stars.
<event order="1" row="0" music="tune">
<draworder effect="bg" effect="stars" effect="waves" effect="beat"></draworder>
<beat><go></go></beat>
</event>

// Half way through that pattern, row 32: the picture comes back, warmer.
<event order="1" row="32" music="tune">
<glow color="c06040"></glow>
<draworder effect="bg" effect="stars" effect="glow" effect="dust" effect="beat"></draworder>
<beat><go></go></beat>
</event>

// The third pattern: the end.
<event order="2" row="0" music="tune">
<exit></exit>
</event>

// The stars are drawn while the rest loads, then the show.
<load effect="stars"></load>
<run></run>
</demo>
)";
}

bool writeNewShow(const std::string& folder, std::string& error)
{
    std::vector<ShowFolderFile> files;
    const std::string script = newShowScript();
    files.push_back({"data/script.txt", std::vector<uint8_t>(script.begin(), script.end())});
    for (const char* path : kStarterFiles) {
        uint8_t* bytes = nullptr;
        uint32_t size = 0;
        if (!loadDataEntry(path, &bytes, &size) || size == 0) {
            std::free(bytes);
            error = std::string("the show in use carries no ") + path + ": nothing was written";
            return false;
        }
        files.push_back({path, std::vector<uint8_t>(bytes, bytes + size)});
        std::free(bytes);
    }
    return writeShowFolder(folder, files, error);
}

}  // namespace velmora
