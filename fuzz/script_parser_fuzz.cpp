// libFuzzer target for the script parser: any bytes as a script's text, parsed into a tree.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/script_parser.h"
#include "tests/support/memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    velmora::testing::MemoryStream stream(data, size);
    velmora::ScriptNode root;
    velmora::parseChildren(&root, stream);

    // The attribute reader alone, over the same bytes as one tag's attribute part.
    if (size > 0) {
        std::vector<char> text(data, data + size);
        velmora::ScriptNode node;
        velmora::parseAttributes(&node, text.data(), static_cast<uint32_t>(text.size()));
    }
    return 0;
}
