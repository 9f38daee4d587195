// The player's command line: `velmora [SCRIPT] [options]`, options beginning with "--".
#pragma once

#include <string>

#include "core/run_options.h"

namespace velmora {

// Longest accepted script name (the logical name of a data file).
constexpr size_t kMaxScriptName = 255;

struct CommandLine {
    enum class Action { Run, Check, Help, Version, NewShow, Unpack, Error };
    Action action = Action::Run;
    std::string error;  // Action::Error: what was wrong, one line without a line break

    std::string script = "script.txt";  // logical name of the main script
    bool scriptGiven = false;           // named on the command line
    std::string dataPath;               // empty: the archive linked into the player
    std::string newShowFolder;          // Action::NewShow: the folder to write a starter show into
    std::string unpackFolder;           // Action::Unpack: the folder to write the built-in show into
    RunOptions run;
};

// Reads argv[1..argc-1]. Arguments beginning with "-" are options; the first other argument
// names the script (1 to 255 characters). Options taking a value read it from the next
// argument. Anything unknown or malformed gives Action::Error with the reason.
CommandLine parseCommandLine(int argc, const char* const* argv);

// The usage text: synopsis and one line per option, ending with a line break.
const char* usageText();

// The player's version, "1.0".
const char* versionNumber();

}  // namespace velmora
