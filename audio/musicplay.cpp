// The `musicplay` effect.
#include "audio/musicplay.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

MusicPlay::MusicPlay()
    : flange(std::make_unique<FlangeDsp>()), echo(std::make_unique<EchoDsp>()), rotate(std::make_unique<RotateDsp>())
{}

MusicPlay::~MusicPlay()
{
    flange->clear();
    echo->clear();
    rotate->clear();
    unload();
}

// The hooks hold a pointer to the source they act on: they let go of it before it is freed, so
// none is left pointing at a freed source. A hook that was on stays enabled without a channel:
// a reload does not attach it to the new one (enabling it again does nothing; disabling and
// enabling it does).
void MusicPlay::dropSourceFromHooks()
{
    flange->dropSource();
    echo->dropSource();
    rotate->dropSource();
}

void MusicPlay::freeSources()
{
    dropSourceFromHooks();
    times_.reset();
    if (music)
        music->freeMusic();
    if (stream)
        stream->freeStream();
    if (sample)
        sample->freeSample();
    music.reset();
    stream.reset();
    sample.reset();
}

void MusicPlay::load()
{
    freeSources();
    if (sampleMode != 0) {
        sample = std::make_unique<SoundSource>();
        sample->loadSample(filename);
        sample->setVolume(volume);
        return;
    }
    const char* dot = std::strchr(filename, '.');
    if (!dot)
        return;
    SoundSource* source = nullptr;
    for (const char* ext : {".it", ".xm", ".mod", ".mtm", ".s3m", ".mo3"})
        if (std::strcmp(dot, ext) == 0) {
            music = std::make_unique<SoundSource>();
            music->loadMusic(filename);
            music->setVolume(volume);
            source = music.get();
        }
    for (const char* ext : {".mp3", ".mp2", ".mp1", ".mpg", ".ogg", ".wav"})
        if (std::strcmp(dot, ext) == 0) {
            stream = std::make_unique<SoundSource>();
            stream->loadStream(filename);
            stream->setVolume(volume);
            source = stream.get();
        }
    if (!source)
        return;
    flange->setSource(source);
    if (flangeOn)
        flange->enable();
    echo->setSource(source);
    if (echoOn)
        echo->enable();
    rotate->setSource(source);
    if (rotateOn)
        rotate->enable();
}

void MusicPlay::unload()
{
    dropSourceFromHooks();
    if (music)
        music->releaseMusic();
    if (stream)
        stream->releaseStream();
    if (sample)
        sample->releaseSample();
    freeSources();
}

void MusicPlay::update(float) {}

bool MusicPlay::hasModule() const { return music && music->handle != 0 && music->file; }

std::optional<double> MusicPlay::secondsAt(ModulePosition position)
{
    if (!hasModule())
        return std::nullopt;
    if (!times_)
        times_ = ModuleTimes::open(music->file->data(), music->file->size());
    if (!times_)
        return std::nullopt;
    return times_->secondsAt(position.order, position.row);
}

std::optional<ModulePosition> MusicPlay::playingPosition() const
{
    if (!hasModule())
        return std::nullopt;
    const uint64_t position = BASS_ChannelGetPosition(music->handle, kPositionMusicOrder);
    if (position == ~uint64_t(0))
        return std::nullopt;
    return ModulePosition{int(position & 0xFFFF), int(position >> 16 & 0xFFFF)};
}

void MusicPlay::render()
{
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);

    std::memset(scope_, 0, sizeof scope_);  // no sound: a flat line
    if (music)
        music->getData(scope_, sizeof scope_);
    else if (stream)
        stream->getData(scope_, sizeof scope_);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(1, 3, 1);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    for (int i = 0; i < 999; ++i) {
        float x0 = i * 0.002f - 1, x1 = (i + 1) * 0.002f - 1;
        float h0 = std::abs(scope_[i] / 3) / 32768.0f, h1 = std::abs(scope_[i + 1] / 3) / 32768.0f;
        glTexCoord2f(0, 0);
        glVertex3f(x0, 0, -2);
        glTexCoord2f(1, 0);
        glVertex3f(x0, h0, -2);
        glTexCoord2f(1, 1);
        glVertex3f(x1, h1, -2);
        glTexCoord2f(1, 0);
        glVertex3f(x1, 0, -2);
    }
    glEnd();
    glEnable(GL_DEPTH_TEST);
}

EffectScript MusicPlay::script() const
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<File, &MusicPlay::filename>("filename"),
        attribute<Float, &MusicPlay::setVolume>("volume"),
        attribute<Integer, &MusicPlay::sampleMode>("sample"),
        attribute<Flag, &MusicPlay::switchFlange>("flange"),
        attribute<Flag, &MusicPlay::switchEcho>("echo"),
        attribute<Flag, &MusicPlay::switchRotate>("rotate"),
        attribute<Float, &MusicPlay::setFlangeSpeed>("flangespeed"),
    };
    static constexpr ChildRow<Effect> kChildren[] = {
        child<&MusicPlay::play>("play"),
        child<&MusicPlay::pause>("stop"),
        child<&MusicPlay::load>("init"),
    };
    return {kAttributes, kChildren};
}

// Acts on what is loaded now; a later load starts again at full volume.
void MusicPlay::setVolume(float v)
{
    for (auto* source : {music.get(), stream.get(), sample.get()})
        if (source)
            source->setVolume(v);
}

void MusicPlay::switchFlange(bool on)
{
    flangeOn = on;
    flangeOn ? flange->enable() : flange->disable();
}

void MusicPlay::switchEcho(bool on)
{
    echoOn = on;
    echoOn ? echo->enable() : echo->disable();
}

void MusicPlay::switchRotate(bool on)
{
    rotateOn = on;
    rotateOn ? rotate->enable() : rotate->disable();
}

void MusicPlay::setFlangeSpeed(float rate) { flange->setSpeed(rate); }

void MusicPlay::play()
{
    if (music)
        music->playMusic();
    if (stream)
        stream->playStream();
    if (sample)
        sample->playSample();
}

void MusicPlay::pause()
{
    for (auto* source : {music.get(), stream.get(), sample.get()})
        if (source)
            source->pause();
}

}  // namespace velmora
