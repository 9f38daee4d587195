// The script markup parser: turns the text of a script file into a tree of ScriptNodes,
// resolving `include` elements while it reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/script_node.h"

namespace velmora {

class DataStream;

// Deepest element nesting accepted, counting nested includes; deeper input fails the parse.
constexpr int kMaxScriptDepth = 200;

// Status of parseChildren.
constexpr int kParseOk = 0;       // end of data, or the closing tag of the node (or any at the root)
constexpr int kParseStopped = 1;  // no further '<', a tag without '>', or a tag without a name
constexpr int kParseFailed = -1;  // a mismatched closing tag, or a nested level or include failed

// A problem met while reading a script, at its place (for velmora --check).
struct ScriptProblem {
    std::string file;     // logical name of the script file
    uint32_t line = 0;    // from 1; 0: the file as a whole
    std::string message;  // as the console line would say it, without the line break
};

// Parses the data file `fileName` (a logical name) into `node` as parseChildren does and returns
// its status; whatever was built before an error stays in the tree. A file that cannot be found
// adds nothing. An included file that goes on after its last tag (a line break there stops the
// rest of the script) is named on standard error. Every node and attribute is marked with its
// file and line. With `errorLines`, the error lines printed are also appended there (without
// their line breaks).
int parseFile(ScriptNode* node, const char* fileName, std::vector<std::string>* errorLines = nullptr);

// Parses as parseFile does without printing anything: the error lines, included files that go on
// after their last tag and data files that cannot be found (the main script, includes) are
// appended to `problems` instead.
int parseFileQuietly(ScriptNode* node, const char* fileName, std::vector<ScriptProblem>& problems);

// Reads elements from the stream's position and appends them as children of `node`, until the
// end of the data, the closing tag of `node`, or an error (printed to stdout). Never reads past
// the end of the stream's data. Returns one of the statuses above.
int parseChildren(ScriptNode* node, DataStream& stream);

// Appends one attribute per token found in the `length` characters at `text` (the attribute part
// of an opening tag). Reads nothing outside them.
void parseAttributes(ScriptNode* node, const char* text, uint32_t length);

}  // namespace velmora
