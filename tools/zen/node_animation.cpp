// Node animation: evaluation of Assimp's key lists and sampling into linear tracks.
#include "tools/zen/node_animation.h"

#include <algorithm>
#include <cmath>

namespace velmora::zen {

namespace {

template <typename Key>
double firstTime(const Key* keys, unsigned count, double fallback)
{
    return count ? std::min(fallback, keys[0].mTime) : fallback;
}

template <typename Key>
double lastTime(const Key* keys, unsigned count, double fallback)
{
    return count ? std::max(fallback, keys[count - 1].mTime) : fallback;
}

// The key pair around `tick` and the blend between them; times are checked ascending.
template <typename Key>
const Key* bracket(const Key* keys, unsigned count, double tick, float& blend)
{
    const Key* after = std::upper_bound(keys, keys + count, tick,
                                        [](double t, const Key& k) { return t < k.mTime; });
    blend = 0;
    if (after == keys)
        return keys;
    const Key* before = after - 1;
    if (after == keys + count || after->mTime <= before->mTime)
        return before;
    blend = static_cast<float>((tick - before->mTime) / (after->mTime - before->mTime));
    return before;
}

aiVector3D vectorAt(const aiVectorKey* keys, unsigned count, double tick, const aiVector3D& rest)
{
    if (!count)
        return rest;
    float blend;
    const aiVectorKey* k = bracket(keys, count, tick, blend);
    return blend > 0 ? k[0].mValue + (k[1].mValue - k[0].mValue) * blend : k[0].mValue;
}

aiQuaternion rotationAt(const aiQuatKey* keys, unsigned count, double tick, const aiQuaternion& rest)
{
    if (!count)
        return rest;
    float blend;
    const aiQuatKey* k = bracket(keys, count, tick, blend);
    if (blend <= 0)
        return k[0].mValue;
    aiQuaternion out;
    aiQuaternion::Interpolate(out, k[0].mValue, k[1].mValue, blend);
    return out.Normalize();
}

float component(const NodeValues& v, int channel)
{
    const Vec3f& group = channel < 3 ? v.position : channel < 6 ? v.rotation : v.scale;
    const int axis = channel % 3;
    return axis == 0 ? group.x : axis == 1 ? group.y : group.z;
}

// Keys of one channel: the samples a straight line between kept keys does not already give
// (within a tolerance relative to the value). Segments are bounded so long straight runs stay
// cheap to check.
std::vector<TrackKey> thinnedKeys(const std::vector<double>& frames, const std::vector<float>& v)
{
    constexpr size_t kMaxSpan = 256;
    auto tolerance = [](float x) { return 1e-4f * (1 + std::fabs(x)); };
    std::vector<TrackKey> keys;
    size_t start = 0;
    keys.push_back({float(frames[0]), v[0], kKeyLinear, kKeyLinear});
    while (start + 1 < v.size()) {
        size_t end = start + 1;
        while (end + 1 < v.size() && end + 1 - start <= kMaxSpan) {
            bool straight = true;
            const size_t next = end + 1;
            for (size_t i = start + 1; i < next && straight; ++i) {
                const double t = (frames[i] - frames[start]) / (frames[next] - frames[start]);
                const float line = float(v[start] + (v[next] - v[start]) * t);
                straight = std::fabs(line - v[i]) <= tolerance(v[i]);
            }
            if (!straight)
                break;
            end = next;
        }
        keys.push_back({float(frames[end]), v[end], kKeyLinear, kKeyLinear});
        start = end;
    }
    return keys;
}

}  // namespace

NodeAnimation::NodeAnimation(const aiAnimation* animation)
{
    if (!animation || animation->mNumChannels == 0)
        return;
    if (animation->mTicksPerSecond > 0)
        framesPerTick_ = kFramesPerSecond / animation->mTicksPerSecond;
    double first = INFINITY, last = -INFINITY;
    for (unsigned c = 0; c < animation->mNumChannels; ++c) {
        const aiNodeAnim* ch = animation->mChannels[c];
        channels_.emplace(ch->mNodeName.C_Str(), ch);
        first = firstTime(ch->mPositionKeys, ch->mNumPositionKeys, first);
        first = firstTime(ch->mRotationKeys, ch->mNumRotationKeys, first);
        first = firstTime(ch->mScalingKeys, ch->mNumScalingKeys, first);
        last = lastTime(ch->mPositionKeys, ch->mNumPositionKeys, last);
        last = lastTime(ch->mRotationKeys, ch->mNumRotationKeys, last);
        last = lastTime(ch->mScalingKeys, ch->mNumScalingKeys, last);
    }
    if (first > last)  // channels without keys
        first = last = 0;
    firstFrame_ = first * framesPerTick_;
    lastFrame_ = last * framesPerTick_;
}

bool NodeAnimation::movesInWorld(const aiNode& node) const
{
    for (const aiNode* at = &node; at; at = at->mParent)
        if (animates(*at))
            return true;
    return false;
}

aiMatrix4x4 NodeAnimation::localAt(const aiNode& node, double frame) const
{
    const auto found = channels_.find(node.mName.C_Str());
    if (found == channels_.end())
        return node.mTransformation;
    const aiNodeAnim& ch = *found->second;
    aiVector3D restScale, restPosition;
    aiQuaternion restRotation;
    node.mTransformation.Decompose(restScale, restRotation, restPosition);
    const double tick = frame / framesPerTick_;
    const aiVector3D position = vectorAt(ch.mPositionKeys, ch.mNumPositionKeys, tick, restPosition);
    const aiQuaternion rotation = rotationAt(ch.mRotationKeys, ch.mNumRotationKeys, tick, restRotation);
    const aiVector3D scale = vectorAt(ch.mScalingKeys, ch.mNumScalingKeys, tick, restScale);
    return aiMatrix4x4(scale, rotation, position);
}

aiMatrix4x4 NodeAnimation::worldAt(const aiNode& node, double frame) const
{
    aiMatrix4x4 world = localAt(node, frame);
    for (const aiNode* at = node.mParent; at; at = at->mParent)
        world = localAt(*at, frame) * world;
    return world;
}

std::vector<double> NodeAnimation::sampleFrames(bool& cut) const
{
    cut = false;
    std::vector<double> frames{firstFrame_};
    double last = lastFrame_;
    if (last - firstFrame_ > double(kMaxSampledFrames - 2)) {
        last = firstFrame_ + double(kMaxSampledFrames - 2);
        cut = true;
    }
    for (double f = std::floor(firstFrame_) + 1; f < last; f += 1)
        frames.push_back(f);
    if (last > firstFrame_)
        frames.push_back(last);
    return frames;
}

std::vector<ChannelTrack> channelTracks(const std::vector<double>& frames,
                                        const std::vector<NodeValues>& poses,
                                        const NodeValues& rest)
{
    static const uint32_t kCodes[9] = {kChannelPositionX, kChannelPositionY, kChannelPositionZ,
                                       kChannelRotationX, kChannelRotationY, kChannelRotationZ,
                                       kChannelScaleX,    kChannelScaleY,    kChannelScaleZ};
    std::vector<std::vector<float>> values(9, std::vector<float>(poses.size()));
    bool moves[9] = {};
    for (int c = 0; c < 9; ++c)
        for (size_t i = 0; i < poses.size(); ++i) {
            values[c][i] = component(poses[i], c);
            const float restValue = component(rest, c);
            moves[c] = moves[c] || std::fabs(values[c][i] - restValue) > 1e-4f * (1 + std::fabs(restValue));
        }
    const bool rotates = moves[3] || moves[4] || moves[5];
    std::vector<ChannelTrack> tracks;
    for (int c = 0; c < 9; ++c)
        if (moves[c] || (c >= 3 && c < 6 && rotates))
            tracks.push_back({kCodes[c], thinnedKeys(frames, values[c])});
    return tracks;
}

}  // namespace velmora::zen
