// The mixer's channel table and mixing loop.
#include "audio/mixer.h"

#include <algorithm>
#include <cstring>

namespace velmora {

Mixer::Mixer() : scratch_(kChunkFrames * 2), sum_(kChunkFrames * 2) {}

bool Mixer::fail(int error) {
    lastError = error;
    return false;
}

Mixer::Channel* Mixer::find(SoundHandle handle) {
    for (auto& c : channels_)
        if (c->handle == handle) return c.get();
    return nullptr;
}

const Mixer::Channel* Mixer::find(SoundHandle handle) const {
    for (auto& c : channels_)
        if (c->handle == handle) return c.get();
    return nullptr;
}

bool Mixer::exists(SoundHandle handle, uint32_t kind) const {
    return handle != 0 && (handle & kKindMask) == kind && find(handle) != nullptr;
}

Mixer::Channel* Mixer::findChannel(SoundHandle handle) {
    Channel* c = handle ? find(handle) : nullptr;
    if (!c) fail(kSoundErrorHandle);
    return c;
}

SoundHandle Mixer::add(Channel channel, uint32_t kind) {
    channel.handle = kind | (nextId_++ & ~kKindMask);
    if (kind != kSample) channel.history.assign(kHistoryFrames * 2, 0);
    channels_.push_back(std::make_unique<Channel>(std::move(channel)));
    lastError = kSoundOk;
    return channels_.back()->handle;
}

SoundHandle Mixer::addMusic(std::unique_ptr<PcmSource> source) {
    Channel c;
    c.source = std::move(source);
    return add(std::move(c), kMusic);
}

SoundHandle Mixer::addStream(std::unique_ptr<PcmSource> source) {
    Channel c;
    c.source = std::move(source);
    return add(std::move(c), kStream);
}

SoundHandle Mixer::addSample(std::shared_ptr<const DecodedSound> sound, uint32_t maxPlaybacks) {
    Channel c;
    c.sound = std::move(sound);
    c.maxPlaybacks = maxPlaybacks;
    return add(std::move(c), kSample);
}

bool Mixer::play(SoundHandle handle, bool fromStart) {
    uint32_t kind = handle & kKindMask;
    Channel* c = (kind == kMusic || kind == kStream) ? find(handle) : nullptr;
    if (!c) return fail(kSoundErrorHandle);
    if (fromStart || c->ended) {
        c->source->restart();
        c->ended = false;
    }
    c->playing = true;
    lastError = kSoundOk;
    return true;
}

SoundHandle Mixer::playSample(SoundHandle handle) {
    Channel* sample = (handle & kKindMask) == kSample ? find(handle) : nullptr;
    if (!sample) return fail(kSoundErrorHandle);
    // Replace the oldest playback once the sample has its maximum number.
    std::vector<std::unique_ptr<Channel>>::iterator oldest = channels_.end();
    uint32_t count = 0;
    for (auto it = channels_.begin(); it != channels_.end(); ++it) {
        if ((*it)->sample != handle) continue;
        ++count;
        if (oldest == channels_.end() || (*it)->started < (*oldest)->started) oldest = it;
    }
    if (count >= sample->maxPlaybacks) {
        if (oldest == channels_.end()) return fail(kSoundErrorNoChannel);
        channels_.erase(oldest);
    }
    sample = find(handle);
    Channel c;
    c.sample = handle;
    c.source = playDecoded(sample->sound);
    c.frequency = sample->frequency;
    c.volume = sample->volume;
    c.pan = sample->pan;
    c.source->setFrequency(c.frequency);
    c.playing = true;
    c.started = ++playCounter_;
    return add(std::move(c), kPlayback);
}

bool Mixer::free(SoundHandle handle) {
    uint32_t kind = handle & kKindMask;
    if (handle == 0 || kind == kPlayback || !find(handle)) return fail(kSoundErrorHandle);
    std::erase_if(channels_, [&](const std::unique_ptr<Channel>& c) {
        return c->handle == handle || (kind == kSample && c->sample == handle);
    });
    lastError = kSoundOk;
    return true;
}

bool Mixer::pause(SoundHandle handle) {
    Channel* c = findChannel(handle);
    if (!c) return false;
    bool any = false;
    if ((handle & kKindMask) == kSample) {
        for (auto& p : channels_)
            if (p->sample == handle && p->playing) {
                p->playing = false;
                any = true;
            }
    } else if (c->playing) {
        c->playing = false;
        any = true;
    }
    if (!any) return fail(c->ended ? kSoundErrorEnded : kSoundErrorAlready);
    lastError = kSoundOk;
    return true;
}

bool Mixer::setAttributes(SoundHandle handle, int frequency, int volume, int pan) {
    Channel* c = findChannel(handle);
    if (!c) return false;
    if (frequency < -1 || frequency > 1000000 || volume < -1 || volume > 100 || pan < -101 ||
        pan > 100)
        return fail(kSoundErrorIllegalParam);
    auto apply = [&](Channel& ch) {
        if (frequency != -1) {
            ch.frequency = frequency;
            if (ch.source) ch.source->setFrequency(frequency);
        }
        if (volume != -1) ch.volume = volume;
        if (pan != -101) ch.pan = pan;
    };
    apply(*c);
    if ((handle & kKindMask) == kSample)
        for (auto& p : channels_)
            if (p->sample == handle) apply(*p);
    lastError = kSoundOk;
    return true;
}

bool Mixer::musicPosition(SoundHandle handle, uint32_t mode, int& order, int& row) {
    Channel* c = findChannel(handle);
    if (!c) return false;
    if (mode != kPositionMusicOrder || !c->source || !c->source->songPosition(order, row))
        return fail(kSoundErrorNotAvailable);
    if (!c->playing) return fail(kSoundErrorNotPlaying);
    lastError = kSoundOk;
    return true;
}

int Mixer::getData(SoundHandle handle, void* buffer, uint32_t length) {
    Channel* c = findChannel(handle);
    if (!c) return -1;
    if (!buffer) {
        fail(kSoundErrorIllegalParam);
        return -1;
    }
    if ((handle & kKindMask) == kSample) {
        Channel* newest = nullptr;
        for (auto& p : channels_)
            if (p->sample == handle && (!newest || p->started > newest->started)) newest = p.get();
        lastError = kSoundOk;
        if (!newest) return 0;
        c = newest;
    }
    int count = std::min<int>(static_cast<int>(std::min<uint32_t>(length / 4, kHistoryFrames)),
                              c->historyCount);
    auto* out = static_cast<int16_t*>(buffer);
    int start = (c->historyNext - count + kHistoryFrames) % kHistoryFrames;
    int first = std::min(count, kHistoryFrames - start);
    std::memcpy(out, &c->history[size_t(start) * 2], size_t(first) * 4);
    std::memcpy(out + first * 2, c->history.data(), size_t(count - first) * 4);
    lastError = kSoundOk;
    return count * 4;
}

uint32_t Mixer::addDsp(SoundHandle handle, DspProcedure procedure, void* user) {
    Channel* c = findChannel(handle);
    if (!c) return 0;
    if ((handle & kKindMask) == kSample || !procedure) return fail(kSoundErrorIllegalParam);
    uint32_t dsp = nextDsp_++;
    c->dsps.push_back({dsp, procedure, user});
    lastError = kSoundOk;
    return dsp;
}

bool Mixer::removeDsp(SoundHandle handle, uint32_t dsp) {
    Channel* c = findChannel(handle);
    if (!c) return false;
    auto removed = std::erase_if(c->dsps, [&](const Dsp& d) { return d.handle == dsp; });
    if (removed == 0) return fail(kSoundErrorHandle);
    lastError = kSoundOk;
    return true;
}

void Mixer::clear() { channels_.clear(); }

void Mixer::remember(Channel& c, const int16_t* frames, int count) {
    for (int i = 0; i < count; ++i) {
        c.history[size_t(c.historyNext) * 2] = frames[i * 2];
        c.history[size_t(c.historyNext) * 2 + 1] = frames[i * 2 + 1];
        c.historyNext = (c.historyNext + 1) % kHistoryFrames;
    }
    c.historyCount = std::min(kHistoryFrames, c.historyCount + count);
}

void Mixer::mixChannel(Channel& c, int frames) {
    int got = c.source->render(scratch_.data(), frames);
    if (got < frames) {
        c.playing = false;
        c.ended = true;
    }
    if (got <= 0) return;
    for (const Dsp& d : c.dsps) d.procedure(d.handle, c.handle, scratch_.data(), uint32_t(got) * 4, d.user);
    remember(c, scratch_.data(), got);
    const int32_t left = c.volume * std::min(100, 100 - c.pan);
    const int32_t right = c.volume * std::min(100, 100 + c.pan);
    for (int i = 0; i < got; ++i) {
        sum_[i * 2] += scratch_[i * 2] * left / 10000;
        sum_[i * 2 + 1] += scratch_[i * 2 + 1] * right / 10000;
    }
}

void Mixer::mix(int16_t* out, int frames) {
    while (frames > 0) {
        int n = std::min(frames, kChunkFrames);
        std::fill(sum_.begin(), sum_.begin() + n * 2, 0);
        for (auto& c : channels_)
            if (c->playing && c->source) mixChannel(*c, n);
        for (int i = 0; i < n * 2; ++i) out[i] = static_cast<int16_t>(std::clamp(sum_[i], -32768, 32767));
        out += n * 2;
        frames -= n;
    }
}

}  // namespace velmora
