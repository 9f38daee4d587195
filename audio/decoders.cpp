// Module, stream and sample decoding for the mixer, with a linear resampler for sounds whose
// rate is not 44,100 Hz.
#include "audio/decoders.h"

#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>

#include <algorithm>
#include <cstring>

#include "audio/sound_library.h"

namespace velmora {
namespace {

// ---- modules ----

class ModuleSource : public PcmSource {
public:
    explicit ModuleSource(openmpt_module* module) : module_(module) {}
    ~ModuleSource() override { openmpt_module_destroy(module_); }

    int render(int16_t* out, int frames) override {
        int done = 0;
        while (done < frames) {
            size_t got = openmpt_module_read_interleaved_stereo(module_, renderRate_, frames - done,
                                                                out + done * 2);
            if (got == 0) break;
            done += static_cast<int>(got);
        }
        return done;
    }
    void restart() override { openmpt_module_set_position_seconds(module_, 0.0); }
    bool songPosition(int& order, int& row) const override {
        order = openmpt_module_get_current_order(module_);
        row = openmpt_module_get_current_row(module_);
        return true;
    }
    void setFrequency(int hz) override {
        // Rendering at a higher rate than the output plays it slower, and the other way round.
        if (hz <= 0) {
            renderRate_ = kOutputRate;
            return;
        }
        double rate = double(kOutputRate) * kOutputRate / hz;
        renderRate_ = static_cast<int32_t>(std::clamp(rate, 8000.0, 192000.0));
    }

private:
    openmpt_module* module_;
    int32_t renderRate_ = kOutputRate;
};

// ---- frames at another rate, resampled linearly ----

class ResampledSource : public PcmSource {
public:
    explicit ResampledSource(int ownRate) : ownRate_(ownRate) { setFrequency(0); }

    int render(int16_t* out, int frames) override {
        if (!primed_ && !prime()) return 0;
        for (int i = 0; i < frames; ++i) {
            while (fraction_ >= 1.0) {
                if (!advance()) return i;
                fraction_ -= 1.0;
            }
            for (int c = 0; c < 2; ++c) {
                double v = a_[c] + (b_[c] - a_[c]) * fraction_;
                out[i * 2 + c] = static_cast<int16_t>(v);
            }
            fraction_ += step_;
        }
        return frames;
    }
    void restart() override {
        rewindFrames();
        primed_ = false;
        finished_ = false;
        bufferCount_ = bufferIndex_ = 0;
        fraction_ = 0.0;
    }
    void setFrequency(int hz) override {
        int rate = hz > 0 ? hz : ownRate_;
        step_ = std::clamp(double(rate) / kOutputRate, 1.0 / 64, 64.0);
    }

protected:
    // Fills `out` with up to `maxFrames` stereo frames at the sound's own rate; 0 at the end.
    virtual int fetchBlock(int16_t* out, int maxFrames) = 0;
    virtual void rewindFrames() = 0;

private:
    static constexpr int kBlock = 1024;

    bool fetch(int16_t* frame) {
        if (bufferIndex_ == bufferCount_) {
            bufferCount_ = fetchBlock(buffer_, kBlock);
            bufferIndex_ = 0;
            if (bufferCount_ <= 0) {
                bufferCount_ = 0;
                return false;
            }
        }
        frame[0] = buffer_[bufferIndex_ * 2];
        frame[1] = buffer_[bufferIndex_ * 2 + 1];
        ++bufferIndex_;
        return true;
    }
    bool prime() {
        if (finished_ || !fetch(a_)) {
            finished_ = true;
            return false;
        }
        if (!fetch(b_)) {
            std::memcpy(b_, a_, sizeof a_);
            finished_ = true;
        }
        primed_ = true;
        fraction_ = 0.0;
        return true;
    }
    // Moves the interpolation window one frame on; false once the last frame has been played.
    bool advance() {
        if (finished_) return false;
        std::memcpy(a_, b_, sizeof a_);
        if (!fetch(b_)) {
            std::memcpy(b_, a_, sizeof a_);
            finished_ = true;
        }
        return true;
    }

    int ownRate_;
    double step_ = 1.0;
    double fraction_ = 0.0;
    bool primed_ = false;
    bool finished_ = false;
    int16_t a_[2] = {}, b_[2] = {};
    int16_t buffer_[kBlock * 2] = {};
    int bufferCount_ = 0, bufferIndex_ = 0;
};

// ---- libsndfile over memory ----

struct MemoryFile {
    const uint8_t* data;
    sf_count_t length;
    sf_count_t position = 0;
};

sf_count_t memoryLength(void* user) { return static_cast<MemoryFile*>(user)->length; }
sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    auto* f = static_cast<MemoryFile*>(user);
    sf_count_t base = whence == SEEK_CUR ? f->position : whence == SEEK_END ? f->length : 0;
    sf_count_t target = base + offset;
    if (target < 0 || target > f->length) return -1;
    f->position = target;
    return f->position;
}
sf_count_t memoryRead(void* out, sf_count_t count, void* user) {
    auto* f = static_cast<MemoryFile*>(user);
    sf_count_t n = std::clamp<sf_count_t>(f->length - f->position, 0, std::max<sf_count_t>(count, 0));
    std::memcpy(out, f->data + f->position, static_cast<size_t>(n));
    f->position += n;
    return n;
}
sf_count_t memoryWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t memoryTell(void* user) { return static_cast<MemoryFile*>(user)->position; }

SF_VIRTUAL_IO memoryIo = {memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};

// An open libsndfile reader of in-memory bytes, giving stereo 16-bit frames.
class SndfileReader {
public:
    SndfileReader(const uint8_t* data, uint32_t length) : file_{data, length} {
        if (!data || length == 0) return;
        sndfile_ = sf_open_virtual(&memoryIo, SFM_READ, &info_, &file_);
        if (sndfile_ && (info_.channels < 1 || info_.channels > 64 || info_.samplerate < 1000 ||
                         info_.samplerate > 384000)) {
            sf_close(sndfile_);
            sndfile_ = nullptr;
        }
        if (sndfile_) scratch_.resize(size_t(kBlock) * info_.channels);
    }
    ~SndfileReader() {
        if (sndfile_) sf_close(sndfile_);
    }
    SndfileReader(const SndfileReader&) = delete;
    SndfileReader& operator=(const SndfileReader&) = delete;

    bool valid() const { return sndfile_ != nullptr; }
    int rate() const { return info_.samplerate; }

    int read(int16_t* out, int maxFrames) {
        if (!sndfile_) return 0;
        int want = std::min(maxFrames, kBlock);
        sf_count_t got = sf_readf_short(sndfile_, scratch_.data(), want);
        if (got <= 0) return 0;
        int channels = info_.channels;
        for (sf_count_t i = 0; i < got; ++i) {
            const short* in = &scratch_[size_t(i) * channels];
            out[i * 2] = in[0];
            out[i * 2 + 1] = channels > 1 ? in[1] : in[0];
        }
        return static_cast<int>(got);
    }
    void rewind() {
        if (sndfile_) sf_seek(sndfile_, 0, SEEK_SET);
    }

private:
    static constexpr int kBlock = 1024;
    MemoryFile file_;
    SF_INFO info_ = {};
    SNDFILE* sndfile_ = nullptr;
    std::vector<short> scratch_;
};

class StreamSource : public ResampledSource {
public:
    explicit StreamSource(std::unique_ptr<SndfileReader> reader)
        : ResampledSource(reader->rate()), reader_(std::move(reader)) {}

protected:
    int fetchBlock(int16_t* out, int maxFrames) override { return reader_->read(out, maxFrames); }
    void rewindFrames() override { reader_->rewind(); }

private:
    std::unique_ptr<SndfileReader> reader_;
};

class DecodedPlayback : public ResampledSource {
public:
    explicit DecodedPlayback(std::shared_ptr<const DecodedSound> sound)
        : ResampledSource(sound->rate), sound_(std::move(sound)) {}

protected:
    int fetchBlock(int16_t* out, int maxFrames) override {
        size_t total = sound_->frames.size() / 2;
        int n = static_cast<int>(std::min<size_t>(maxFrames, total - next_));
        std::memcpy(out, &sound_->frames[next_ * 2], size_t(n) * 4);
        next_ += n;
        return n;
    }
    void rewindFrames() override { next_ = 0; }

private:
    std::shared_ptr<const DecodedSound> sound_;
    size_t next_ = 0;
};

}  // namespace

std::unique_ptr<PcmSource> openModule(const uint8_t* data, uint32_t length) {
    if (!data || length == 0) return nullptr;
    int error = 0;
    openmpt_module* module = openmpt_module_create_from_memory2(
        data, length, openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr, &error,
        nullptr, nullptr);
    if (!module) return nullptr;
    // libopenmpt dithers 16-bit output with random noise by default; without it the same module
    // always renders the same frames, which frame-exact captures rely on.
    openmpt_module_ctl_set_integer(module, "dither", 0);
    return std::make_unique<ModuleSource>(module);
}

std::unique_ptr<PcmSource> openSoundStream(const uint8_t* data, uint32_t length) {
    auto reader = std::make_unique<SndfileReader>(data, length);
    if (!reader->valid()) return nullptr;
    return std::make_unique<StreamSource>(std::move(reader));
}

std::shared_ptr<const DecodedSound> decodeSound(const uint8_t* data, uint32_t length) {
    SndfileReader reader(data, length);
    if (!reader.valid()) return nullptr;
    auto sound = std::make_shared<DecodedSound>();
    sound->rate = reader.rate();
    int16_t block[2048];
    for (int n; (n = reader.read(block, 1024)) > 0;)
        sound->frames.insert(sound->frames.end(), block, block + n * 2);
    if (sound->frames.empty()) return nullptr;
    return sound;
}

std::unique_ptr<PcmSource> playDecoded(std::shared_ptr<const DecodedSound> sound) {
    if (!sound) return nullptr;
    return std::make_unique<DecodedPlayback>(std::move(sound));
}

}  // namespace velmora
