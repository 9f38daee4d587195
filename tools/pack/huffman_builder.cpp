// Package-merge code lengths and canonical code assignment.
#include "tools/pack/huffman_builder.h"

#include <algorithm>
#include <cassert>
#include <vector>

namespace velmora::pack {

void buildCodeLengths(const uint32_t* counts, int n, int maxLength, uint8_t* lengths)
{
    struct Node {
        uint64_t weight;
        int left;   // children for a package, -1 for a leaf
        int right;
        int symbol;  // leaf only
    };
    std::vector<Node> nodes;
    std::vector<int> leaves;
    for (int i = 0; i < n; ++i) {
        lengths[i] = 0;
        if (counts[i] > 0) {
            leaves.push_back(int(nodes.size()));
            nodes.push_back({counts[i], -1, -1, i});
        }
    }
    if (leaves.empty())
        return;
    if (leaves.size() == 1) {
        const int used = nodes[leaves[0]].symbol;
        lengths[used] = 1;
        lengths[used == 0 ? 1 : 0] = 1;
        return;
    }
    assert((size_t(1) << maxLength) >= leaves.size() && "too many symbols for the length limit");
    std::stable_sort(leaves.begin(), leaves.end(), [&](int a, int b) { return nodes[a].weight < nodes[b].weight; });

    std::vector<int> list = leaves;
    for (int level = 1; level < maxLength; ++level) {
        std::vector<int> packages;
        for (size_t i = 0; i + 1 < list.size(); i += 2) {
            packages.push_back(int(nodes.size()));
            nodes.push_back({nodes[list[i]].weight + nodes[list[i + 1]].weight, list[i], list[i + 1], -1});
        }
        std::vector<int> merged;
        merged.reserve(leaves.size() + packages.size());
        std::merge(leaves.begin(), leaves.end(), packages.begin(), packages.end(), std::back_inserter(merged),
                   [&](int a, int b) { return nodes[a].weight < nodes[b].weight; });
        list = std::move(merged);
    }

    // Each selected item adds one to the length of every leaf below it.
    std::vector<uint32_t> selected(nodes.size(), 0);
    const size_t take = 2 * leaves.size() - 2;
    for (size_t i = 0; i < take; ++i)
        ++selected[list[i]];
    for (size_t i = nodes.size(); i-- > 0;) {
        if (nodes[i].left >= 0) {
            selected[nodes[i].left] += selected[i];
            selected[nodes[i].right] += selected[i];
        } else {
            lengths[nodes[i].symbol] = uint8_t(selected[i]);
        }
    }
}

void canonicalCodes(const uint8_t* lengths, int n, uint16_t* codes)
{
    uint32_t count[16] = {};
    for (int i = 0; i < n; ++i)
        ++count[lengths[i]];
    count[0] = 0;
    uint32_t next[16] = {};
    uint32_t code = 0;
    for (int l = 1; l < 16; ++l) {
        code = (code + count[l - 1]) << 1;
        next[l] = code;
    }
    for (int i = 0; i < n; ++i)
        codes[i] = lengths[i] ? uint16_t(next[lengths[i]]++) : 0;
}

uint64_t codedBits(const uint32_t* counts, const uint8_t* lengths, int n)
{
    uint64_t bits = 0;
    for (int i = 0; i < n; ++i)
        bits += uint64_t(counts[i]) * lengths[i];
    return bits;
}

}  // namespace velmora::pack
