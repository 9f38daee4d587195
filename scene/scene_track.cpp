// Track tangents and evaluation.
#include "scene/scene_track.h"

#include <cassert>
#include <cmath>

namespace velmora {

namespace {

constexpr float kVerticalSlope = 5729578.0f;
constexpr float kControlDistance = 0.3f;

struct Vec2 {
    float dt = 0, dv = 0;
};

Vec2 unitOrZero(Vec2 v)
{
    const float length = std::sqrt(v.dt * v.dt + v.dv * v.dv);
    if (length == 0.0f || !std::isfinite(length))
        return {};
    return {v.dt / length, v.dv / length};
}

// Brings t into [first, last] by whole periods (period > 0), as repeated adding or subtracting
// of the period would, without looping: a huge t cannot hang the frame.
float wrapIntoRange(float t, float first, float last, float period)
{
    if (t < first) {
        const double r = std::fmod(static_cast<double>(first) - t, static_cast<double>(period));
        return r == 0.0 ? first : static_cast<float>(first + (period - r));
    }
    if (t > last) {
        const double r = std::fmod(static_cast<double>(t) - last, static_cast<double>(period));
        return r == 0.0 ? last : static_cast<float>(last + (r - period));
    }
    return t;
}

}  // namespace

void Track::addKey(const TrackKey& key)
{
    keys.push_back(key);
    tangentsDirty = 1;
}

void Track::computeTangents()
{
    const size_t n = keys.size();
    tangents.assign(n, KeyTangent{});
    for (size_t i = 0; i < n; ++i) {
        const TrackKey& k = keys[i];
        const bool first = i == 0, last = i + 1 == n;
        Vec2 smoothIn, smoothOut;
        if (k.inType == kKeySmooth || k.outType == kKeySmooth) {
            if (n == 1) {
                smoothIn = smoothOut = {1, 0};
            } else if (first) {
                smoothIn = smoothOut = {keys[1].time - k.time, keys[1].value - k.value};
            } else if (last) {
                smoothIn = smoothOut = {k.time - keys[i - 1].time, k.value - keys[i - 1].value};
            } else {
                const float dt = keys[i + 1].time - keys[i - 1].time;
                const float m = dt < 0.0001f ? kVerticalSlope
                                             : (keys[i + 1].value - keys[i - 1].value) / dt;
                const float before = k.time - keys[i - 1].time;
                const float after = keys[i + 1].time - k.time;
                smoothIn = {before, before * m};
                smoothOut = {after, after * m};
            }
        }
        Vec2 in, out;
        switch (k.inType) {
        case kKeyLinear:
        case kKeyLinear2:
            in = first ? Vec2{1, 0} : Vec2{k.time - keys[i - 1].time, k.value - keys[i - 1].value};
            break;
        case kKeyFlat:
            in = first ? Vec2{} : Vec2{k.time - keys[i - 1].time, 0};
            break;
        case kKeySmooth:
            in = smoothIn;
            break;
        default:  // step, and unknown types: a flat zero tangent
            break;
        }
        switch (k.outType) {
        case kKeyLinear:
        case kKeyLinear2:
            out = last ? Vec2{1, 0} : Vec2{keys[i + 1].time - k.time, keys[i + 1].value - k.value};
            break;
        case kKeyFlat:
            out = last ? Vec2{} : Vec2{keys[i + 1].time - k.time, 0};
            break;
        case kKeySmooth:
            out = smoothOut;
            break;
        default:
            break;
        }
        in = unitOrZero(in);
        out = unitOrZero(out);
        tangents[i] = {in.dt, in.dv, out.dt, out.dv};
    }
    left = right = 0;
    tangentsDirty = 0;
}

void Track::buildSegment()
{
    const TrackKey& l = keys[left];
    const TrackKey& r = keys[right];
    if (l.outType == kKeyStep) {
        hold = 1;
        return;
    }
    hold = 0;
    const KeyTangent& lt = tangents[left];
    const KeyTangent& rt = tangents[right];
    const float p0t = l.time, p0v = l.value;
    const float p1t = p0t + kControlDistance * lt.outDt, p1v = p0v + kControlDistance * lt.outDv;
    const float p3t = r.time, p3v = r.value;
    const float p2t = p3t - kControlDistance * rt.inDt, p2v = p3v - kControlDistance * rt.inDv;
    const float s0 = p1t - p0t == 0.0f ? kVerticalSlope : (p1v - p0v) / (p1t - p0t);
    const float s1 = p3t - p2t == 0.0f ? kVerticalSlope : (p3v - p2v) / (p3t - p2t);
    const float d = p3t - p0t;
    const float delta = p3v - p0v;
    t0 = p0t;
    if (!(d > 0.0f)) {
        // Two keys at the same time (or out of order): hold the left value instead of dividing
        // by zero.
        hold = 1;
        return;
    }
    c3 = (s0 * d + s1 * d - 2.0f * delta) / (d * d * d);
    c2 = (3.0f * delta - 2.0f * s0 * d - s1 * d) / (d * d);
    c1 = s0;
    c0 = p0v;
}

float Track::evaluate(float t)
{
    assert(!keys.empty() && "a track is only created with at least one key");
    if (tangentsDirty)
        computeTangents();
    lastTime = t;
    const int32_t n = static_cast<int32_t>(keys.size());
    const float first = keys.front().time;
    const float last = keys.back().time;
    const float period = last - first;

    if (t <= first) {
        if (preBehaviour != kBehaviourRepeat)
            return value = keys.front().value;
        if (period == 0.0f)
            return value = keys.back().value;
        t = wrapIntoRange(t, first, last, period);
    }
    if (t >= last) {
        if (postBehaviour != kBehaviourRepeat)
            return value = keys.back().value;
        if (period == 0.0f)
            return value = keys.back().value;
        t = wrapIntoRange(t, first, last, period);
        if (t == last)
            return value = keys.back().value;
    }

    if (!(keys[left].time <= t && t < keys[right].time)) {
        int32_t start = t <= keys[right].time ? 0 : left + 1;
        int32_t j = 0;
        for (int32_t i = start; i < n; ++i)
            if (keys[i].time > t) {
                j = i;
                break;
            }
        right = j < 0 ? 0 : (j > n - 1 ? n - 1 : j);
        left = j - 1 < 0 ? 0 : j - 1;
        buildSegment();
    }
    if (hold)
        return value = keys[left].value;
    const float u = t - t0;
    return value = ((c3 * u + c2) * u + c1) * u + c0;
}

}  // namespace velmora
