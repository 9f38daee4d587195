// Compares two captures of the same show (frame-NNNNNN.png and audio.wav in each folder), another
// player's (the Windows one under wine, the release one in a minimal root) against the normal
// build's: the same frames, every frame's mean absolute difference at most MAX_FRAME in each
// channel, and the same number of sound samples, each within MAX_SAMPLE steps.
//   compare_capture REFERENCE OTHER [MAX_FRAME [MAX_SAMPLE]]
// Prints the largest differences; exit status 0 when within the limits, 1 when not, 2 on bad input.
#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/png_file.h"

namespace fs = std::filesystem;
using velmora::testing::Png;
using velmora::testing::readPng;

namespace {

std::vector<std::string> frameNames(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("frame-", 0) == 0 && entry.path().extension() == ".png")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool readSound(const fs::path& path, std::vector<short>& samples)
{
    SF_INFO info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return false;
    samples.resize(static_cast<size_t>(info.frames) * info.channels);
    const sf_count_t read = sf_read_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    return read == static_cast<sf_count_t>(samples.size());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: compare_capture REFERENCE OTHER [MAX_FRAME [MAX_SAMPLE]]\n");
        return 2;
    }
    const fs::path reference = argv[1], other = argv[2];
    const double maxFrame = argc > 3 ? std::atof(argv[3]) : 3.0;
    const int maxSample = argc > 4 ? std::atoi(argv[4]) : 1;

    const std::vector<std::string> names = frameNames(reference);
    if (names.empty() || names != frameNames(other)) {
        std::printf("frames: %zu in %s, %zu in %s, or named differently\n", names.size(), reference.c_str(),
                    frameNames(other).size(), other.c_str());
        return 1;
    }
    bool ok = true;
    double worst = 0, total = 0;
    std::string worstName;
    for (const std::string& name : names) {
        Png a, b;
        if (!readPng(reference / name, a) || !readPng(other / name, b)) {
            std::printf("%s: unreadable\n", name.c_str());
            return 2;
        }
        if (a.width != b.width || a.height != b.height) {
            std::printf("%s: %dx%d against %dx%d\n", name.c_str(), a.width, a.height, b.width, b.height);
            ok = false;
            continue;
        }
        double sum[3] = {};
        for (size_t i = 0; i < a.rgb.size(); ++i)
            sum[i % 3] += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
        const double pixels = double(a.width) * a.height;
        const double frameWorst = std::max({sum[0], sum[1], sum[2]}) / pixels;
        total += frameWorst;
        if (frameWorst > worst) {
            worst = frameWorst;
            worstName = name;
        }
        if (frameWorst > maxFrame) {
            std::printf("%s: mean absolute difference %.3f in a channel (at most %.1f)\n", name.c_str(), frameWorst,
                        maxFrame);
            ok = false;
        }
    }
    std::printf("frames: %zu compared, mean absolute difference per channel: largest %.3f (%s), average %.3f\n",
                names.size(), worst, worstName.c_str(), total / names.size());

    std::vector<short> soundA, soundB;
    if (!readSound(reference / "audio.wav", soundA) || !readSound(other / "audio.wav", soundB)) {
        std::printf("audio.wav: missing or unreadable\n");
        return 2;
    }
    int largest = 0;
    size_t differing = 0;
    const size_t common = std::min(soundA.size(), soundB.size());
    for (size_t i = 0; i < common; ++i) {
        const int difference = std::abs(int(soundA[i]) - int(soundB[i]));
        largest = std::max(largest, difference);
        differing += difference != 0;
    }
    std::printf("audio.wav: %zu and %zu samples, %zu differ, largest difference %d (at most %d)\n", soundA.size(),
                soundB.size(), differing, largest, maxSample);
    if (soundA.size() != soundB.size() || largest > maxSample)
        ok = false;
    return ok ? 0 : 1;
}
