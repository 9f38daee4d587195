// The `particlebox` effect: a cloud of textured, camera-facing sprites living in a box they wrap
// around in, carried by a steady rotation and drift, optionally dying and respawning.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <vector>

#include "core/effect.h"
#include "core/script_values.h"
#include "resources/texture.h"

namespace velmora {

// Draws `count` camera-facing quads of half-size sizes[i] (1 when `sizes` is null) at the
// positions (x, y, z triples) with the current modelview's right and up vectors, unnormalised,
// as one GL_TRIANGLES batch (begun and ended even when empty).
void drawBillboards(uint32_t count, const float* positions, const float* sizes);

class ParticleBox : public Effect {
public:
    // Unload, then the texture (when named) and the storage for `number` particles, scattered
    // by the randomise step. When the named image cannot be loaded no storage is made and the
    // effect draws nothing.
    void load() override;
    void unload() override;  // frees the particle storage and the texture; parameters stay
    void update(float delta) override;
    void render() override;
    // The attributes of the fields below; children `random` (randomise again) and `origin`
    // (every particle to 0, 0, 0).
    EffectScript script() const override;

    // Number of particles in storage: `number` as of the last load, 0 without storage.
    uint32_t storedCount() const { return stored_; }
    // Where particle i (below storedCount) is, in the cloud's own frame.
    Vector3 position(uint32_t i) const;

    // Counts above this (or below 0) in the script would only exhaust memory; they are clamped.
    static constexpr uint32_t kMaxParticles = 1000000;

private:
    void setNumber(int count);    // clamped to 0..kMaxParticles
    void setLifespan(int value);  // also switches respawning on
    void setRotation(Vector3 degrees);
    // Scatters the stored particles: positions in `spawndim`, velocities between `dirmin` and
    // `dirmax`, lifetimes below `lifespan`. Draws random numbers in that order, per particle.
    void randomise();
    void gatherAtOrigin();
    void spawn(uint32_t i);
    void buildFrameTransform(float d);

    uint32_t number = 0;               // particle count for the next load, 0..kMaxParticles
    char texture[64] = {};             // data-file name of the sprite image; empty: none
    float dim[3] = {10, 10, 50};       // wrap box size, centred on the origin
    float spawndim[3] = {10, 10, 50};  // spawn box size, centred on the origin
    float dirmin[3] = {0, 0, 0};
    float dirmax[3] = {0, 0, 0};
    uint32_t lifespan = 20000;  // lifetimes drawn from 0..lifespan-1 (0 behaves as 1)
    bool respawn = false;       // set by the attribute `lifespan`
    float pdir[3] = {0, 0, 0};  // drift of the cloud per unit of scaled time
    float prot[3] = {0, 0, 0};  // rotation of the cloud per unit of scaled time, radians
    float tra[3] = {0, 0, 0};
    float rot[3] = {0, 0, 0};  // degrees for the GL rotation (script value x 3.14 / 180)
    float sca[3] = {1, 1, 1};
    float trainc[3] = {0, 0, 0};
    float rotinc[3] = {0, 0, 0};
    float scainc[3] = {0, 0, 0};
    float color[3] = {1, 1, 1};
    bool camera = false;  // true: keep the current modelview
    bool depth = true;    // parsed and kept; drawing always tests depth without writing it
    GLenum src = GL_ONE;
    GLenum dst = GL_ONE;

    std::vector<float> positions;                                                 // stored particles x 3
    std::vector<float> velocities;                                                // stored particles x 3
    std::vector<float> lifetimes;                                                 // stored particles
    float frameTransform[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // column-major
    Texture particleTexture;
    uint32_t stored_ = 0;
};

}  // namespace velmora
