// velmora-soundtrack: writes the show's music module, effect sound and ambient stream into the
// staged data folder and prints the time of every pattern boundary for the script's author.
// Usage: velmora-soundtrack <staged data folder>
#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tools/soundtrack/score.h"
#include "tools/soundtrack/synth.h"
#include "tools/soundtrack/xm_writer.h"

namespace fs = std::filesystem;
using namespace velmora::soundtrack;

namespace {

bool writeBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

bool writeSound(const fs::path& path, const std::vector<int16_t>& frames, int format) {
    fs::create_directories(path.parent_path());
    SF_INFO info = {};
    info.samplerate = kSynthRate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    sf_count_t count = sf_count_t(frames.size() / 2);
    bool ok = sf_writef_short(file, frames.data(), count) == count;
    return sf_close(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmora-soundtrack <staged data folder>\n");
        return 2;
    }
    const fs::path root = argv[1];
    const Song song = composeSong();
    if (!writeBytes(root / "music" / "velmora.xm", writeXm(song)) ||
        !writeSound(root / "music" / "impact.wav", impactSound(), SF_FORMAT_WAV | SF_FORMAT_PCM_16) ||
        !writeSound(root / "ambient.ogg", ambientStream(20.0), SF_FORMAT_OGG | SF_FORMAT_VORBIS)) {
        std::fprintf(stderr, "velmora-soundtrack: cannot write into %s\n", root.c_str());
        return 1;
    }
    std::printf("velmora.xm: %zu patterns of %.2f s, %.2f s in all\n", song.orders.size(),
                kPatternSeconds, kPatternSeconds * double(song.orders.size()));
    for (const Section& s : sections())
        for (int p = s.firstPattern; p < s.firstPattern + s.patterns; ++p)
            std::printf("  pattern %2d at %6.2f s  %s%s\n", p, p * kPatternSeconds, s.name.c_str(),
                        p == s.firstPattern ? " (starts)" : "");
    std::printf("  end        at %6.2f s\n", kPatternSeconds * double(song.orders.size()));
    return 0;
}
