// velmora-zen: imports models into ".zen" scenes and describes ".zen" files.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/offscreen_context.h"
#include "tools/zen/gltf_export.h"
#include "tools/zen/isolated_run.h"
#include "tools/zen/scene_info.h"
#include "tools/zen/zen_import.h"

namespace {

using namespace velmora;

int usage()
{
    std::fprintf(stderr,
                 "usage: velmora-zen import MODEL OUT.zen [--textures DIR] [--scale S] [--force]\n"
                 "       velmora-zen info FILE.zen\n"
                 "       velmora-zen export FILE.zen OUT.gltf|OUT.glb\n");
    return 2;
}

int fail(const std::string& reason)
{
    std::fprintf(stderr, "velmora-zen: %s\n", reason.c_str());
    return 1;
}

int runImport(int argc, char** argv)
{
    if (argc < 4)
        return usage();
    const std::string model = argv[2], out = argv[3];
    std::string textures = std::filesystem::path(out).parent_path().string();
    float scale = 1;
    bool force = false;
    for (int i = 4; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--force") {
            force = true;
            continue;
        }
        if (i + 1 >= argc)
            return usage();
        if (option == "--textures") {
            textures = argv[++i];
        } else if (option == "--scale") {
            char* end = nullptr;
            scale = std::strtof(argv[++i], &end);
            if (*end || !std::isfinite(scale) || scale <= 0)
                return fail("--scale needs a positive number");
        } else {
            return usage();
        }
    }
    return zen::runIsolated([&] {
        std::vector<std::string> warnings;
        std::string error;
        const bool ok = zen::importModel(model, out, textures, scale, force, warnings, error);
        for (const std::string& warning : warnings)
            std::fprintf(stderr, "velmora-zen: warning: %s\n", warning.c_str());
        if (!ok)
            return fail(model + ": " + error);
        std::printf("wrote %s\n", out.c_str());
        return 0;
    }, model);
}

bool readZen(const char* path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return static_cast<bool>(in) || in.eof();
}

int runInfo(int argc, char** argv)
{
    std::vector<uint8_t> bytes;
    if (argc != 3)
        return usage();
    if (!readZen(argv[2], bytes))
        return fail(std::string("cannot read ") + argv[2]);
    // Loading a skin builds its display list, so the loader wants a GL context.
    OffscreenContext context(16, 16);
    if (context.valid())
        context.makeCurrent();
    std::string report, error;
    const bool whole = zen::describeScene(bytes, report, error);
    std::fputs(report.c_str(), stdout);
    return whole ? 0 : fail(std::string(argv[2]) + ": " + error);
}

int runExport(int argc, char** argv)
{
    std::vector<uint8_t> bytes;
    if (argc != 4)
        return usage();
    if (!readZen(argv[2], bytes))
        return fail(std::string("cannot read ") + argv[2]);
    OffscreenContext context(16, 16);  // as for info
    if (context.valid())
        context.makeCurrent();
    std::vector<std::string> notes;
    std::string error;
    const bool ok = zen::exportScene(bytes, argv[3], notes, error);
    for (const std::string& note : notes)
        std::fprintf(stderr, "velmora-zen: note: %s\n", note.c_str());
    if (!ok)
        return fail(std::string(argv[2]) + ": " + error);
    std::printf("wrote %s\n", argv[3]);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "import")
        return runImport(argc, argv);
    if (command == "info")
        return runInfo(argc, argv);
    if (command == "export")
        return runExport(argc, argv);
    return usage();
}
