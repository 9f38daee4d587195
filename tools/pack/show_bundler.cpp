// Bundles a show with a player: packs the show folder (or takes its archive), strips whatever
// the player carried behind its image, and writes image, attachment and trailer in one file.
#include "tools/pack/show_bundler.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "resources/archive.h"
#include "resources/executable_path.h"
#include "resources/rar_format.h"
#include "resources/show_bundle.h"
#include "tools/pack/archive_writer.h"

namespace velmora::pack {

namespace fs = std::filesystem;

namespace {

// The show folder packed both ways, the smaller archive kept (as the built-in show is packed).
bool packShowFolder(const fs::path& folder, std::vector<uint8_t>& archive, std::vector<std::string>& skipped,
                    std::string& error)
{
    std::error_code ec;
    if (!fs::is_directory(folder / "data", ec)) {
        error = folder.string() + " holds no data/ folder (give the show's folder, the one velmora --new made)";
        return false;
    }
    std::vector<SourceEntry> entries;
    if (!collectEntries((folder / "data").string(), "data", entries, skipped, error))
        return false;
    archive = buildArchive(entries, false);
    std::vector<uint8_t> solid = buildSolidArchive(entries);
    if (solid.size() < archive.size())
        archive = std::move(solid);
    return true;
}

// An archive given as the show: every entry must unpack and check, and the main script be there.
bool checkShowArchive(const fs::path& path, const std::vector<uint8_t>& archive, std::string& error)
{
    if (archive.size() < rar::kMarkerSize || (std::memcmp(archive.data(), rar::kMarker, rar::kMarkerSize) != 0 &&
                                              std::memcmp(archive.data(), rar::kAltMarker, rar::kMarkerSize) != 0)) {
        error = path.string() + " is neither a show folder nor a RAR archive";
        return false;
    }
    bool hasScript = false;
    const std::string script = archiveNameKey("data/script.txt");
    const bool whole = unpackWholeArchive(
        archive.data(), uint32_t(archive.size()), [&](const std::string& key, uint8_t* data, uint32_t) {
            hasScript = hasScript || key == script;
            std::free(data);
        });
    if (!whole) {
        error = path.string() + " is damaged (velmora-pack test " + path.string() + " shows where)";
        return false;
    }
    if (!hasScript) {
        error = path.string() + " holds no data/script.txt, so a bundle of it would play nothing";
        return false;
    }
    return true;
}

// The release player beside velmora-pack: the name in a release folder, then the name in dist/.
bool findPlayer(bool windows, fs::path& player, std::string& error)
{
    const fs::path self = platform::executablePath();
    const fs::path folder = self.parent_path();
    const char* names[2] = {"velmora", "velmora-linux-x86_64"};
    if (windows) {
        names[0] = "velmora.exe";
        names[1] = "velmora-windows-x86_64.exe";
    }
    std::error_code ec;
    for (const char* name : names) {
        if (fs::is_regular_file(folder / name, ec)) {
            player = folder / name;
            return true;
        }
    }
    error = std::string("no ") + (windows ? "Windows" : "Linux") + " player " + names[0] + " beside velmora-pack in " +
            folder.string() + " (name one with --player)";
    return false;
}

}  // namespace

bool bundleShow(const BundleRequest& request, std::string& summary, std::vector<std::string>& skipped,
                std::string& error)
{
    std::error_code ec;
    std::vector<uint8_t> archive;
    if (fs::is_directory(request.show, ec)) {
        if (!packShowFolder(request.show, archive, skipped, error))
            return false;
    } else if (!readFile(request.show, archive, error) || !checkShowArchive(request.show, archive, error)) {
        return false;
    }

    fs::path player = request.player;
    if (player.empty() && !findPlayer(request.windows, player, error))
        return false;
    std::vector<uint8_t> image;
    if (!readFile(player, image, error))
        return false;
    bundle::ByteSource source;
    source.size = image.size();
    source.read = [&image](uint64_t offset, uint8_t* out, size_t count) {
        std::memcpy(out, image.data() + offset, count);
        return true;
    };
    const std::optional<uint64_t> imageEnd = bundle::executableImageEnd(source);
    if (!imageEnd) {
        error = player.string() + " is not a program (neither ELF nor PE)";
        return false;
    }
    image.resize(size_t(*imageEnd));  // a show attached before is replaced, not stacked
    const std::vector<uint8_t> attachment = bundle::attachmentBytes(archive);

    // Written beside the output and renamed over it, so that the player may be its own output.
    fs::path partial = request.output;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size())) ||
            !out.write(reinterpret_cast<const char*>(attachment.data()), std::streamsize(attachment.size())) ||
            !out.flush()) {
            out.close();
            fs::remove(partial, ec);
            error = "cannot write " + request.output.string();
            return false;
        }
    }
    fs::permissions(partial,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
    if (!ec)
        fs::rename(partial, request.output, ec);
    if (ec) {
        fs::remove(partial, ec);
        error = "cannot write " + request.output.string();
        return false;
    }
    summary = request.output.string() + ": " + player.filename().string() + " (" + std::to_string(image.size()) +
              " bytes) with the show (" + std::to_string(archive.size()) + " bytes) attached";
    return true;
}

}  // namespace velmora::pack
