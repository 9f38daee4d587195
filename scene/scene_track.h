// Animation curves: keys with per-side tangent types, cubic Hermite segments, hold or repeat
// outside the key range.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/scene_objects.h"

namespace velmora {

// Key tangent types, for the in and the out side.
enum KeyType : uint32_t {
    kKeyStep = 1,
    kKeyLinear = 2,
    kKeyFlat = 3,
    kKeySmooth = 4,
    kKeyLinear2 = 5,
};

// Pre- and post-behaviour: only this exact value repeats; anything else holds the end value.
constexpr uint32_t kBehaviourRepeat = 2;

struct TrackKey {
    float time;   // scene frames
    float value;
    uint32_t inType;
    uint32_t outType;
};

// Unit-length (or zero) tangent vectors in (time, value) space.
struct KeyTangent {
    float inDt = 0, inDv = 0, outDt = 0, outDv = 0;
};

class Track : public SceneItem {
public:
    Track() : SceneItem(kTagTrack) {}

    void addKey(const TrackKey& key);
    void computeTangents();
    // Value at `t` scene frames; also stored in `value`. Needs at least one key.
    float evaluate(float t);

    std::vector<TrackKey> keys;
    std::vector<KeyTangent> tangents;
    uint8_t tangentsDirty = 1;
    uint32_t preBehaviour = 0;
    uint32_t postBehaviour = 0;

    // Cached segment.
    int32_t left = 0;
    int32_t right = 0;
    uint8_t hold = 0;
    float t0 = 0, c3 = 0, c2 = 0, c1 = 0, c0 = 0;

    float value = 0;
    float lastTime = 0;

private:
    void buildSegment();
};

}  // namespace velmora
