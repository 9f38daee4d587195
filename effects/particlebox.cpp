// The `particlebox` effect: particle storage, motion, wrapping and billboard drawing.
#include "effects/particlebox.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/random.h"
#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

namespace {

constexpr float kScriptRadiansPerDegree = 0.017444445f;  // 3.14 / 180, as the scripts expect

// A lifetime below `lifespan`; a lifespan of 0 behaves as 1.
float randomLifetime(uint32_t lifespan)
{
    return static_cast<float>(static_cast<uint32_t>(nextRandom()) % (lifespan == 0 ? 1 : lifespan));
}

}  // namespace

void drawBillboards(uint32_t count, const float* positions, const float* sizes)
{
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float right[3] = {m[0], m[4], m[8]};
    const float up[3] = {m[1], m[5], m[9]};
    glBegin(GL_TRIANGLES);
    for (uint32_t i = 0; i < count; ++i) {
        const float* p = positions + static_cast<size_t>(i) * 3;
        const float s = sizes ? sizes[i] : 1.0f;
        float q[4][3];
        for (int k = 0; k < 3; ++k) {
            q[0][k] = p[k] + s * (-right[k] - up[k]);
            q[1][k] = p[k] + s * (up[k] - right[k]);
            q[2][k] = p[k] + s * (right[k] + up[k]);
            q[3][k] = p[k] + s * (right[k] - up[k]);
        }
        glTexCoord2f(0, 0), glVertex3fv(q[0]);
        glTexCoord2f(1, 0), glVertex3fv(q[1]);
        glTexCoord2f(1, 1), glVertex3fv(q[2]);
        glTexCoord2f(0, 0), glVertex3fv(q[0]);
        glTexCoord2f(0, 1), glVertex3fv(q[3]);
        glTexCoord2f(1, 1), glVertex3fv(q[2]);
    }
    glEnd();
}

void ParticleBox::load()
{
    unload();
    if (texture[0] != '\0' && !loadTgaTexture(texture, particleTexture))
        return;
    stored_ = number;
    positions.assign(static_cast<size_t>(stored_) * 3, 0.0f);
    velocities.assign(static_cast<size_t>(stored_) * 3, 0.0f);
    lifetimes.assign(stored_, 0.0f);
    randomise();
}

void ParticleBox::unload()
{
    // Fresh vectors: assigning `{}` would keep the capacity.
    positions = std::vector<float>();
    velocities = std::vector<float>();
    lifetimes = std::vector<float>();
    stored_ = 0;
    particleTexture.reset();
}

Vector3 ParticleBox::position(uint32_t i) const
{
    const float* p = &positions[static_cast<size_t>(i) * 3];
    return {p[0], p[1], p[2]};
}

void ParticleBox::spawn(uint32_t i)
{
    float* p = &positions[static_cast<size_t>(i) * 3];
    float* v = &velocities[static_cast<size_t>(i) * 3];
    for (int k = 0; k < 3; ++k)
        p[k] = randomSigned() * spawndim[k];
    for (int k = 0; k < 3; ++k)
        v[k] = randomUnit() * (dirmax[k] - dirmin[k]) + dirmin[k];
}

void ParticleBox::randomise()
{
    for (uint32_t i = 0; i < stored_; ++i) {
        spawn(i);
        lifetimes[i] = randomLifetime(lifespan);
    }
}

void ParticleBox::buildFrameTransform(float d)
{
    const float ax = d * prot[0], ay = d * prot[1], az = d * prot[2];
    const float sx = std::sin(ax), kx = std::cos(ax);
    const float sy = std::sin(ay), ky = std::cos(ay);
    const float sz = std::sin(az), kz = std::cos(az);
    float* m = frameTransform;
    m[0] = kz * ky, m[1] = sz * ky, m[2] = -sy, m[3] = 0;
    m[4] = sy * sx * kz - sz * kx, m[5] = sy * sx * sz + kz * kx, m[6] = ky * sx, m[7] = 0;
    m[8] = sy * kx * kz + sz * sx, m[9] = sy * kx * sz - kz * sx, m[10] = ky * kx, m[11] = 0;
    m[12] = d * pdir[0], m[13] = d * pdir[1], m[14] = d * pdir[2], m[15] = 1;
}

void ParticleBox::update(float delta)
{
    const float d = delta * speed;
    for (int k = 0; k < 3; ++k) {
        tra[k] += d * trainc[k];
        rot[k] += d * rotinc[k];
        sca[k] += d * scainc[k];
    }
    buildFrameTransform(d);
    const float* m = frameTransform;
    for (uint32_t i = 0; i < stored_; ++i) {
        lifetimes[i] -= d;
        if (respawn && lifetimes[i] < 0) {
            lifetimes[i] = randomLifetime(lifespan);
            spawn(i);
        }
        float* p = &positions[static_cast<size_t>(i) * 3];
        const float* v = &velocities[static_cast<size_t>(i) * 3];
        const float x = p[0] + d * v[0], y = p[1] + d * v[1], z = p[2] + d * v[2];
        p[0] = m[0] * x + m[4] * y + m[8] * z + m[12];
        p[1] = m[1] * x + m[5] * y + m[9] * z + m[13];
        p[2] = m[2] * x + m[6] * y + m[10] * z + m[14];
        for (int k = 0; k < 3; ++k) {
            const float half = 0.5f * dim[k];
            if (p[k] < -half)
                p[k] = half;
            if (p[k] > half)
                p[k] = -half;
        }
    }
}

void ParticleBox::render()
{
    particleTexture.bind();
    glColor4f(color[0], color[1], color[2], 1.0f);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(src, dst);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.1f);
    glDepthMask(GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    if (!camera) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    glTranslatef(tra[0], tra[1], tra[2]);
    glRotatef(rot[2], 0, 0, 1);
    glRotatef(rot[1], 0, 1, 0);
    glRotatef(rot[0], 1, 0, 0);
    glScalef(sca[0], sca[1], sca[2]);
    drawBillboards(stored_, positions.data(), nullptr);
    glDepthMask(GL_TRUE);
}

EffectScript ParticleBox::script() const
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<Flag, &ParticleBox::depth>("depth"),
        attribute<Flag, &ParticleBox::camera>("camera"),
        attribute<File, &ParticleBox::texture>("texture"),
        attribute<Integer, &ParticleBox::setNumber>("number"),
        attribute<Integer, &ParticleBox::setLifespan>("lifespan"),
        attribute<Vector, &ParticleBox::dim>("dim"),
        attribute<Vector, &ParticleBox::spawndim>("spawndim"),
        attribute<Vector, &ParticleBox::dirmin>("dirmin"),
        attribute<Vector, &ParticleBox::dirmax>("dirmax"),
        attribute<Vector, &ParticleBox::pdir>("pdir"),
        attribute<Vector, &ParticleBox::prot>("prot"),
        attribute<Vector, &ParticleBox::tra>("tra"),
        attribute<Vector, &ParticleBox::setRotation>("rot"),
        attribute<Vector, &ParticleBox::sca>("sca"),
        attribute<Vector, &ParticleBox::trainc>("trainc"),
        attribute<Vector, &ParticleBox::rotinc>("rotinc"),
        attribute<Vector, &ParticleBox::scainc>("scainc"),
        attribute<Colour, &ParticleBox::color>("color"),
        attribute<Blend, &ParticleBox::src>("src"),
        attribute<Blend, &ParticleBox::dst>("dst"),
    };
    static constexpr ChildRow<Effect> kChildren[] = {
        child<&ParticleBox::randomise>("random"),
        child<&ParticleBox::gatherAtOrigin>("origin"),
    };
    return {kAttributes, kChildren};
}

void ParticleBox::setNumber(int count)
{
    number = count < 0 ? 0 : std::min(static_cast<uint32_t>(count), kMaxParticles);
}

// Giving a lifespan at all is what makes particles die and respawn.
void ParticleBox::setLifespan(int value)
{
    lifespan = static_cast<uint32_t>(value);
    respawn = true;
}

void ParticleBox::setRotation(Vector3 degrees)
{
    rot[0] = degrees.x * kScriptRadiansPerDegree;
    rot[1] = degrees.y * kScriptRadiansPerDegree;
    rot[2] = degrees.z * kScriptRadiansPerDegree;
}

void ParticleBox::gatherAtOrigin() { positions.assign(positions.size(), 0.0f); }

}  // namespace velmora
