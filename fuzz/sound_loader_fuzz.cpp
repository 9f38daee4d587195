// libFuzzer target for the sound layer's loaders: any bytes as a module, a stream and a sample,
// loaded from memory through the library calls the show makes (no output device: the mixer runs
// against the clock), then through the decoders directly for a few thousand frames each, so
// that libopenmpt's and libsndfile's reads through our callbacks are exercised too.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/decoders.h"
#include "audio/sound_library.h"

namespace {

constexpr int kFrames = 2048;

void renderSome(velmora::PcmSource* source)
{
    if (!source)
        return;
    std::vector<int16_t> out(kFrames * 2);
    int total = 0;
    for (int i = 0; i < 4; ++i) {
        const int got = source->render(out.data(), kFrames);
        if (got < 0 || got > kFrames)
            __builtin_trap();
        total += got;
        if (got < kFrames)
            break;
    }
    source->setFrequency(22050);
    source->restart();
    (void)source->render(out.data(), 64);
    (void)total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool initialised = velmora::BASS_Init(-2, 44100, 0, nullptr);
    if (!initialised || size > (1u << 20))
        return 0;
    const auto length = static_cast<uint32_t>(size);

    // The library calls; the stream reads `data` in place until it is freed.
    if (velmora::SoundHandle music = velmora::BASS_MusicLoad(true, data, 0, length, 0))
        velmora::BASS_MusicFree(music);
    if (velmora::SoundHandle stream = velmora::BASS_StreamCreateFile(true, data, 0, length, 0))
        velmora::BASS_StreamFree(stream);
    if (velmora::SoundHandle sample = velmora::BASS_SampleLoad(true, data, 0, length, 2, 0))
        velmora::BASS_SampleFree(sample);

    // The decoders behind them, rendered on this thread.
    renderSome(velmora::openModule(data, length).get());
    renderSome(velmora::openSoundStream(data, length).get());
    if (auto decoded = velmora::decodeSound(data, length))
        renderSome(velmora::playDecoded(decoded).get());
    return 0;
}
