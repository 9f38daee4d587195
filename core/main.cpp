// The player's entry point: command line, data source, then the show of the main script.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "core/build_description.h"
#include "core/command_line.h"
#include "core/console.h"
#include "core/demo_window.h"
#include "core/frame_capture.h"
#include "core/new_show.h"
#include "core/offscreen_context.h"
#include "core/script_check.h"
#include "core/script_driver.h"
#include "core/sdl_platform.h"
#include "core/show_unpack.h"
#include "effects/effect_table.h"
#include "resources/data_file.h"
#include "resources/data_source.h"
#include "resources/embedded_archive.h"
#include "resources/executable_path.h"
#include "resources/show_bundle.h"

namespace {

// Without a reachable display and without a capture the show would play where nobody sees or
// records it: say so at once, with a hint, instead.
bool someoneCanWatch(const velmora::RunOptions& run)
{
    using velmora::RunOptions;
    if (run.output != RunOptions::Output::Automatic || !run.captureTarget.empty() ||
        velmora::platform::displayAvailable())
        return true;
    const char* display = std::getenv("DISPLAY");
    if (display && *display)
        std::fprintf(stderr, "velmora: no display answers at DISPLAY=%s: nobody would see the show\n", display);
    else
        std::fprintf(stderr, "velmora: no display (DISPLAY is not set): nobody would see the show\n");
    std::fprintf(stderr, "velmora: check DISPLAY, or record the show with --capture DIR "
                         "(scripts/run-show does that by itself)\n");
    return false;
}

// A SCRIPT argument that names no script of the show but a folder or an archive on disk: the
// show was meant to come from there, through --data. Says so and returns true.
bool scriptIsAShowOnDisk(const velmora::CommandLine& line)
{
    using namespace velmora;
    if (!line.scriptGiven || dataFileExists(line.script.c_str()))
        return false;
    std::error_code error;
    const char* what = nullptr;
    if (std::filesystem::is_directory(line.script, error))
        what = "a folder";
    else if (std::filesystem::is_regular_file(line.script, error) && isArchiveFile(line.script.c_str()))
        what = "an archive";
    if (!what)
        return false;
    printNote("%s is %s, not a script of the show", line.script.c_str(), what);
    printNote("%s", kDataHint);
    return true;
}

// The show attached to the player's own file (velmora-pack bundle) into `archive`, left empty
// when none is attached. False, after one line saying why, when the attachment is cut short,
// damaged or not a show.
bool readAttachedShow(std::vector<uint8_t>& archive)
{
    using velmora::bundle::Attachment;
    const std::filesystem::path self = velmora::platform::executablePath();
    Attachment attached = self.empty() ? Attachment{} : velmora::bundle::readAttachment(self);
    switch (attached.status) {
    case Attachment::Status::Found:
        archive = std::move(attached.archive);
        return true;
    case Attachment::Status::Truncated:
    case Attachment::Status::Damaged:
    case Attachment::Status::Foreign:
        velmora::printNote("%s: %s", self.string().c_str(), attached.problem.c_str());
        return false;
    case Attachment::Status::None:
    case Attachment::Status::NotExecutable:  // an image this reader does not know carries no bundle
    case Attachment::Status::Unreadable:
        break;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace velmora;

    platform::leaveOwnConsole();
    const CommandLine line = parseCommandLine(argc, argv);
    switch (line.action) {
    case CommandLine::Action::Help:
        std::fputs(usageText(), stdout);
        return 0;
    case CommandLine::Action::Version:
        if (*buildDescription())
            std::printf("velmora %s (build %s)\n", versionNumber(), buildDescription());
        else
            std::printf("velmora %s\n", versionNumber());
        return 0;
    case CommandLine::Action::Error:
        std::fprintf(stderr, "velmora: %s\n%s", line.error.c_str(), usageText());
        return 2;
    case CommandLine::Action::Unpack: {
        // A bundle gives its attached show, any other player its built-in one.
        std::vector<uint8_t> attached;
        if (!readAttachedShow(attached))
            return 1;
        std::string error;
        const bool unpacked = attached.empty()
                                  ? unpackShow(embeddedArchiveData(), embeddedArchiveSize(), line.unpackFolder, error)
                                  : unpackShow(attached.data(), uint32_t(attached.size()), line.unpackFolder, error);
        if (!unpacked) {
            std::fprintf(stderr, "velmora: %s\n", error.c_str());
            return 1;
        }
        std::printf("The %s show is in %s: play it with velmora --data %s\n",
                    attached.empty() ? "built-in" : "attached",
                    line.unpackFolder.c_str(),
                    line.unpackFolder.c_str());
        return 0;
    }
    case CommandLine::Action::Run:
    case CommandLine::Action::Check:
    case CommandLine::Action::NewShow:
        break;
    }

    if (!line.dataPath.empty()) {
        std::string error;
        if (!useDataPath(line.dataPath.c_str(), error)) {
            std::fprintf(stderr, "velmora: cannot read the show from %s: %s\n", line.dataPath.c_str(), error.c_str());
            printNote("%s", kDataHint);
            return 1;
        }
    } else {
        // A bundle plays (and checks) its attached show; --new starts from the built-in one.
        std::vector<uint8_t> attached;
        if (line.action != CommandLine::Action::NewShow && !readAttachedShow(attached))
            return 1;
        if (attached.empty())
            useArchiveImage(embeddedArchiveData(), embeddedArchiveSize());
        else
            useArchiveBytes(std::move(attached));
    }
    if (line.action != CommandLine::Action::NewShow && scriptIsAShowOnDisk(line))
        return 1;

    if (line.action == CommandLine::Action::Check) {
        const auto findings = checkShow(line.script.c_str(), effectTable());
        for (const CheckFinding& finding : findings)
            std::printf("%s\n", formatFinding(finding).c_str());
        if (findings.empty())
            printNote("%s checks clean", line.script.c_str());
        else
            printNote("%zu finding%s in %s", findings.size(), findings.size() == 1 ? "" : "s", line.script.c_str());
        if (!dataFileExists(line.script.c_str()))
            printNote("%s", kDataHint);
        return findings.empty() ? 0 : 1;
    }

    if (line.action == CommandLine::Action::NewShow) {
        std::string error;
        if (!writeNewShow(line.newShowFolder, error)) {
            std::fprintf(stderr, "velmora: %s\n", error.c_str());
            return 1;
        }
        std::printf("A new show is in %s: play it with velmora --data %s --watch\n", line.newShowFolder.c_str(),
                    line.newShowFolder.c_str());
        return 0;
    }
    if (line.run.watch && !std::filesystem::is_directory(line.dataPath)) {
        std::fprintf(stderr, "velmora: --watch needs --data FOLDER, a folder\n");
        return 2;
    }

    if (!someoneCanWatch(line.run))
        return 3;
    if (drawsOffscreen(line.run) && !OffscreenContext::available())
        return 1;
    // A failure must not look like success: nothing played at all is status 1, and so is a
    // capture that could not be made or completed, whatever the show did.
    const bool played = playScript(line.script.c_str(), line.run, effectTable()) > 0;
    const bool captured = finishCaptures();
    return played && captured ? 0 : 1;
}
