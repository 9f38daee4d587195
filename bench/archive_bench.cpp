// Archive benchmarks: packed size of velmora-pack, each file alone and solid, against --store,
// gzip -9 and xz -9 (each file alone, and xz -9 of all files joined for the solid archive), and
// extraction throughput of our extractor against unar, all measured in the same run. Times are
// CPU times (ours in-process, unar's as a child process), so a busy machine does not skew them.
// Usage: archive_bench [BUILD_DIR] [--extraction]   (the staged show data in BUILD_DIR/stage/data is
// one corpus; --extraction skips the packed sizes, which take most of the run)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include "resources/archive.h"
#include "tools/pack/archive_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace velmora;
using Bytes = std::vector<uint8_t>;

struct Corpus {
    std::string label;
    std::vector<pack::SourceEntry> files;
    size_t bytes = 0;
};

Bytes readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& p, const Bytes& b)
{
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// Files under `root` whose names end in one of `suffixes`, in name order, up to `limit` bytes.
Corpus gather(const std::string& label, const fs::path& root, const std::vector<std::string>& suffixes, size_t limit)
{
    Corpus c{label, {}, 0};
    std::vector<fs::path> paths;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end;
         it.increment(ec)) {
        if (!it->is_regular_file(ec) || it->is_symlink(ec))
            continue;
        const std::string name = it->path().string();
        for (const std::string& s : suffixes)
            if (name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0)
                paths.push_back(it->path());
    }
    std::sort(paths.begin(), paths.end());
    for (const fs::path& p : paths) {
        if (c.bytes >= limit)
            break;
        pack::SourceEntry e;
        e.name = "corpus\\" + std::to_string(c.files.size()) + p.extension().string();
        e.data = readFile(p);
        c.bytes += e.data.size();
        c.files.push_back(std::move(e));
    }
    return c;
}

// Total size of the output of `command` run on each corpus file alone, as a non-solid archive
// packs them.
size_t externalSize(const std::string& command, const Corpus& c, const fs::path& scratch)
{
    const fs::path in = scratch / "one.bin";
    size_t total = 0;
    for (const auto& f : c.files) {
        writeFile(in, f.data);
        const std::string line = command + " < '" + in.string() + "' | wc -c";
        FILE* pipe = popen(line.c_str(), "r");
        size_t size = 0;
        if (pipe == nullptr || std::fscanf(pipe, "%zu", &size) != 1)
            size = 0;
        if (pipe)
            pclose(pipe);
        if (size == 0)
            return 0;
        total += size;
    }
    return total;
}

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double childCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// Least CPU time of `rounds` runs of a shell command, in seconds; negative when it fails.
double timeCommand(const std::string& command, int rounds)
{
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const double start = childCpuSeconds();
        if (std::system(command.c_str()) != 0)
            return -1;
        best = std::min(best, childCpuSeconds() - start);
    }
    return best;
}

// All corpus files one after another.
Bytes joined(const Corpus& c)
{
    Bytes all;
    for (const auto& f : c.files)
        all.insert(all.end(), f.data.begin(), f.data.end());
    return all;
}

// Size of the output of `command` run on all corpus files joined, the counterpart of a solid archive.
size_t externalJoinedSize(const std::string& command, const Corpus& c, const fs::path& scratch)
{
    const Corpus all{c.label, {pack::SourceEntry{"joined", false, joined(c), 0}}, c.bytes};
    return externalSize(command, all, scratch);
}

void sizes(const Corpus& c, const fs::path& scratch)
{
    const double start = cpuSeconds();
    const size_t packed = pack::buildArchive(c.files, false).size();
    const double packTime = cpuSeconds() - start;
    const size_t solid = pack::buildSolidArchive(c.files).size();
    const size_t stored = pack::buildArchive(c.files, true).size();
    const size_t gzip = externalSize("gzip -9c", c, scratch);
    const size_t xz = externalSize("xz -9c", c, scratch);
    const size_t xzJoined = externalJoinedSize("xz -9c", c, scratch);
    auto ratio = [](size_t a, size_t b) { return b ? double(a) / double(b) : 0.0; };
    std::printf(
        "%-10s %3zu files %10zu B  packed %9zu  solid %9zu  store %9zu  gzip-9 %9zu  xz-9 %9zu  "
        "xz-9 joined %9zu\n",
        c.label.c_str(),
        c.files.size(),
        c.bytes,
        packed,
        solid,
        stored,
        gzip,
        xz,
        xzJoined);
    std::printf("%-10s packed/store %.3f  packed/gzip-9 %.3f  packed/xz-9 %.3f  (packing %.1f MB/s)\n",
                "",
                ratio(packed, stored),
                ratio(packed, gzip),
                ratio(packed, xz),
                double(c.bytes) / 1e6 / packTime);
    std::printf(
        "%-10s solid/store %.3f  solid/gzip-9 %.3f  solid/xz-9 %.3f  solid/xz-9 joined %.3f  "
        "solid/packed %.3f\n",
        "",
        ratio(solid, stored),
        ratio(solid, gzip),
        ratio(solid, xz),
        ratio(solid, xzJoined),
        ratio(solid, packed));
}

void throughput(const Corpus& c, const fs::path& scratch)
{
    const Bytes archive = pack::buildArchive(c.files, false);
    const fs::path file = scratch / "throughput.rar";
    writeFile(file, archive);

    // Ours: every entry once per round, for at least two seconds of CPU time.
    size_t produced = 0;
    const double start = cpuSeconds();
    do {
        for (const auto& f : c.files) {
            uint8_t* out = nullptr;
            uint32_t size = 0;
            if (!extractArchiveEntry(archive.data(), uint32_t(archive.size()), f.name.c_str(), &out, &size)) {
                std::printf("%-10s extraction FAILED for %s\n", c.label.c_str(), f.name.c_str());
                return;
            }
            produced += size;
            std::free(out);
        }
    } while (cpuSeconds() - start < 2.0);
    const double ours = double(produced) / 1e6 / (cpuSeconds() - start);

    const fs::path out = scratch / "unar-out";
    const std::string unar = "unar -q -f -o '" + out.string() + "' '" + file.string() + "' >/dev/null 2>&1";
    const double unarTime = timeCommand(unar, 3);
    if (unarTime < 0) {
        std::printf("%-10s ours %.0f MB/s; unar not available or failed\n", c.label.c_str(), ours);
        return;
    }
    // unar's fixed start-up cost, from an archive of one empty file.
    const fs::path tiny = scratch / "tiny.rar";
    writeFile(tiny, pack::buildArchive({pack::SourceEntry{"empty", false, {}, 0}}, false));
    const double startup =
        timeCommand("unar -q -f -o '" + out.string() + "' '" + tiny.string() + "' >/dev/null 2>&1", 3);
    const double theirs = double(c.bytes) / 1e6 / unarTime;
    const double theirsNet = unarTime > startup ? double(c.bytes) / 1e6 / (unarTime - startup) : 0;
    std::printf("%-10s extraction: ours %.0f MB/s, unar %.0f MB/s (%.0f MB/s without its %.0f ms start-up)\n",
                c.label.c_str(),
                ours,
                theirs,
                theirsNet,
                startup * 1000);
    std::printf("%-10s ours/unar %.1fx (%.1fx against unar without start-up)\n",
                "",
                ours / theirs,
                theirsNet > 0 ? ours / theirsNet : 0.0);
}

struct RunTime {
    double cpu = -1;   // user + system seconds of the command's processes
    double wall = -1;  // elapsed seconds
};

// Median CPU and wall time of `rounds` runs of a shell command; negative when it fails.
RunTime medianRun(const std::string& command, int rounds)
{
    std::vector<double> cpu, wall;
    for (int i = 0; i < rounds; ++i) {
        const double cpuStart = childCpuSeconds();
        timespec a{}, b{};
        clock_gettime(CLOCK_MONOTONIC, &a);
        if (std::system(command.c_str()) != 0)
            return {};
        clock_gettime(CLOCK_MONOTONIC, &b);
        cpu.push_back(childCpuSeconds() - cpuStart);
        wall.push_back(double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) * 1e-9);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    return {cpu[cpu.size() / 2], wall[wall.size() / 2]};
}

// A 16-bit stereo PCM WAV file of `seconds` of two detuned tones with a little noise: sample-like
// data for the multimedia mode.
Bytes soundFile(int seconds)
{
    const uint32_t frames = uint32_t(seconds) * 44100, bytes = frames * 4;
    Bytes w = {'R', 'I', 'F',  'F',  0, 0, 0,    0,    'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16,  0,   0, 0, 1, 0,
               2,   0,   0x44, 0xAC, 0, 0, 0x10, 0xB1, 2,   0,   4,   0,   16,  0,   'd', 'a', 't', 'a', 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        w[4 + i] = uint8_t((36 + bytes) >> (8 * i));
        w[40 + i] = uint8_t(bytes >> (8 * i));
    }
    uint32_t noise = 1;
    for (uint32_t f = 0; f < frames; ++f) {
        noise = noise * 1664525u + 1013904223u;
        const double t = f / 44100.0;
        const int left =
            int(9000 * std::sin(t * 2 * M_PI * 220) + 3000 * std::sin(t * 2 * M_PI * 331)) + int(noise >> 27) - 16;
        const int right = int(9000 * std::sin(t * 2 * M_PI * 221) + 2000 * std::sin(t * 2 * M_PI * 440)) +
                          int((noise >> 22) & 31) - 16;
        for (int v : {left, right}) {
            w.push_back(uint8_t(v));
            w.push_back(uint8_t(v >> 8));
        }
    }
    return w;
}

// Runs of each whole-process measurement: a run of ours takes tens of milliseconds, where a
// shared machine's noise shows, so the median is taken over many.
constexpr int kRounds = 11;

// One large file per archive, unpacked by a whole process each: velmora-pack against unar.
void wholeProcess(const std::string& label, const Bytes& data, const std::string& name, const fs::path& build,
                  const fs::path& scratch)
{
    const fs::path archive = scratch / (label + ".rar");
    writeFile(archive, pack::buildArchive({pack::SourceEntry{name, false, data, 0}}, false));
    const fs::path out = scratch / "unpacked";
    fs::create_directories(out);
    const std::string ours = "'" + (build / "velmora-pack").string() + "' extract '" + archive.string() + "' " + name +
                             " -o '" + (out / "ours.bin").string() + "'";
    const std::string unar = "unar -q -f -o '" + out.string() + "' '" + archive.string() + "' >/dev/null 2>&1";
    const RunTime a = medianRun(ours, kRounds);
    const RunTime b = medianRun(unar, kRounds);
    const double mb = double(data.size()) / 1e6;
    if (a.cpu < 0) {
        std::printf("%-10s velmora-pack extract FAILED\n", label.c_str());
        return;
    }
    if (b.cpu < 0) {
        std::printf("%-10s %.1f MB: ours %.0f MB/s; unar not available or failed\n", label.c_str(), mb, mb / a.cpu);
        return;
    }
    std::printf("%-10s %5.1f MB  ours %4.0f MB/s  unar %4.0f MB/s  ours/unar %.1fx CPU time, %.1fx wall time\n",
                label.c_str(),
                mb,
                mb / a.cpu,
                mb / b.cpu,
                b.cpu / a.cpu,
                b.wall / a.wall);
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured, also into a log
    fs::path build = "build";
    bool sizesToo = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--extraction")
            sizesToo = false;
        else
            build = argv[i];
    }
    const fs::path scratch = fs::temp_directory_path() / ("velmora-bench-" + std::to_string(::getpid()));
    fs::create_directories(scratch);

    std::vector<Corpus> corpora;
    corpora.push_back(gather("text", "/usr/include", {".h"}, 8u << 20));
    corpora.push_back(gather("executable", "/usr/bin", {"cmake", "gzip", "xz", "unar"}, 16u << 20));
    corpora.push_back(gather("images", build / "stage" / "data", {".tga", ".bmp", ".TGA", ".BMP"}, 32u << 20));
    corpora.push_back(gather("show", build / "stage" / "data", {""}, 64u << 20));

    if (sizesToo) {
        std::printf("== packed size, each file alone and solid (smaller ratio is better)\n");
        for (const Corpus& c : corpora)
            if (!c.files.empty())
                sizes(c, scratch);
    }
    std::printf("== extraction throughput, CPU time on one core\n");
    for (const Corpus& c : corpora)
        if (!c.files.empty() && c.label != "show")
            throughput(c, scratch);

    std::printf("== extraction of one large file, whole process, median of %d (larger ratio is better)\n", kRounds);
    wholeProcess("text", joined(gather("text", "/usr/include", {".h"}, 19u << 20)), "text.txt", build, scratch);
    wholeProcess(
        "executable", joined(gather("executable", "/usr/bin", {""}, 24u << 20)), "programs.bin", build, scratch);
    wholeProcess("sound", soundFile(60), "sound.wav", build, scratch);
    fs::remove_all(scratch);
    return 0;
}
