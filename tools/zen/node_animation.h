// One Assimp animation as the scene engine plays it: node transforms at any frame (the scene
// engine counts 90 frames a second), and sampled poses turned into tracks of linear keys.
#pragma once

#include <assimp/scene.h>

#include <map>
#include <string>
#include <vector>

#include "scene/scene_objects.h"
#include "scene/scene_track.h"

namespace velmora::zen {

constexpr double kFramesPerSecond = 90.0;
// Samples per track at most (ten minutes); longer animations are cut.
constexpr size_t kMaxSampledFrames = 54000;

class NodeAnimation {
public:
    // `animation` may be null (nothing moves). It and the nodes must outlive this object.
    explicit NodeAnimation(const aiAnimation* animation);

    bool empty() const { return channels_.empty(); }
    bool animates(const aiNode& node) const { return channels_.count(node.mName.C_Str()) != 0; }
    // True when `node` or one of its ancestors moves.
    bool movesInWorld(const aiNode& node) const;
    // The node's transform at `frame`: its rest transform without a channel; before the first
    // and after the last key the end values hold.
    aiMatrix4x4 localAt(const aiNode& node, double frame) const;
    // The transform from the node to the root at `frame` (root's own transform included).
    aiMatrix4x4 worldAt(const aiNode& node, double frame) const;

    // Whole frames from the first to the last key, plus the exact ends; at most
    // kMaxSampledFrames. `cut` is set when the animation was longer.
    std::vector<double> sampleFrames(bool& cut) const;

private:
    double framesPerTick_ = kFramesPerSecond / 25.0;
    double firstFrame_ = 0;
    double lastFrame_ = 0;
    std::map<std::string, const aiNodeAnim*> channels_;
};

// One track for one channel of a node.
struct ChannelTrack {
    uint32_t channel;  // a ChannelCode
    std::vector<TrackKey> keys;
};

// Splits poses sampled at `frames` into the nine position, rotation and scale channels, keeps
// only keys a straight line between their neighbours does not already give, and leaves out
// channels that stay at `rest` throughout (the three rotation channels go together, since Euler
// angles only mean something as a set).
std::vector<ChannelTrack> channelTracks(const std::vector<double>& frames,
                                        const std::vector<NodeValues>& poses,
                                        const NodeValues& rest);

}  // namespace velmora::zen
