// The `musicplay` effect.
#include "audio/musicplay.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

MusicPlay::MusicPlay()
    : flange(std::make_unique<FlangeDsp>()),
      echo(std::make_unique<EchoDsp>()),
      rotate(std::make_unique<RotateDsp>()) {}

MusicPlay::~MusicPlay() {
    flange->clear();
    echo->clear();
    rotate->clear();
    unload();
}

// The hooks hold a pointer to the source they act on: detach them before that source goes, so
// none is left pointing at a freed source, and a reload attaches them to the new channel.
void MusicPlay::detachHooks() {
    flange->clear();
    echo->clear();
    rotate->clear();
}

void MusicPlay::freeSources() {
    detachHooks();
    times_.reset();
    if (music) music->freeMusic();
    if (stream) stream->freeStream();
    if (sample) sample->freeSample();
    music.reset();
    stream.reset();
    sample.reset();
}

void MusicPlay::load() {
    freeSources();
    if (sampleMode != 0) {
        sample = std::make_unique<SoundSource>();
        sample->loadSample(filename);
        sample->setVolume(volume);
        return;
    }
    const char* dot = std::strchr(filename, '.');
    if (!dot) return;
    SoundSource* source = nullptr;
    for (const char* ext : {".it", ".xm", ".mod", ".mtm", ".s3m", ".mo3"})
        if (std::strcmp(dot, ext) == 0) {
            isStream = 0;
            music = std::make_unique<SoundSource>();
            music->loadMusic(filename);
            music->setVolume(volume);
            source = music.get();
        }
    for (const char* ext : {".mp3", ".mp2", ".mp1", ".mpg", ".ogg", ".wav"})
        if (std::strcmp(dot, ext) == 0) {
            isStream = 1;
            stream = std::make_unique<SoundSource>();
            stream->loadStream(filename);
            stream->setVolume(volume);
            source = stream.get();
        }
    if (!source) return;
    flange->setSource(source);
    if (flangeOn) flange->enable();
    echo->setSource(source);
    if (echoOn) echo->enable();
    rotate->setSource(source);
    if (rotateOn) rotate->enable();
}

void MusicPlay::unload() {
    detachHooks();
    if (music) music->releaseMusic();
    if (stream) stream->releaseStream();
    if (sample) sample->releaseSample();
    freeSources();
}

void MusicPlay::update(float) {}

bool MusicPlay::hasModule() const { return music && music->handle != 0 && music->file; }

std::optional<double> MusicPlay::secondsAt(ModulePosition position) {
    if (!hasModule()) return std::nullopt;
    if (!times_) times_ = ModuleTimes::open(music->file->data(), music->file->size());
    if (!times_) return std::nullopt;
    return times_->secondsAt(position.order, position.row);
}

std::optional<ModulePosition> MusicPlay::playingPosition() const {
    if (!hasModule()) return std::nullopt;
    const uint64_t position = BASS_ChannelGetPosition(music->handle, kPositionMusicOrder);
    if (position == ~uint64_t(0)) return std::nullopt;
    return ModulePosition{int(position & 0xFFFF), int(position >> 16 & 0xFFFF)};
}

void MusicPlay::render() {
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

void MusicPlay::handleElement(const ScriptNode* node) {
    Effect::handleElement(node);
    for (const auto& attribute : node->attributes) {
        const char* name = attribute->name;
        const char* value = attribute->value;
        if (sameName(name, "filename")) {
            std::strncpy(filename, value, sizeof filename - 1);
            filename[sizeof filename - 1] = '\0';
        } else if (sameName(name, "volume")) {
            float v = scriptFloat(value);
            for (auto* source : {music.get(), stream.get(), sample.get()})
                if (source) source->setVolume(v);
        } else if (sameName(name, "sample")) {
            sampleMode = scriptInt(value);
        } else if (sameName(name, "flange")) {
            flangeOn = scriptInt(value) != 0;
            flangeOn ? flange->enable() : flange->disable();
        } else if (sameName(name, "echo")) {
            echoOn = scriptInt(value) != 0;
            echoOn ? echo->enable() : echo->disable();
        } else if (sameName(name, "rotate")) {
            rotateOn = scriptInt(value) != 0;
            rotateOn ? rotate->enable() : rotate->disable();
        } else if (sameName(name, "flangespeed")) {
            flange->setSpeed(scriptFloat(value));
        }
    }
    for (const auto& child : node->children) {
        if (sameName(child->name, "play")) {
            if (music) music->playMusic();
            if (stream) stream->playStream();
            if (sample) sample->playSample();
        } else if (sameName(child->name, "stop")) {
            for (auto* source : {music.get(), stream.get(), sample.get()})
                if (source) source->pause();
        } else if (sameName(child->name, "init")) {
            load();
        }
    }
}

}  // namespace velmora
