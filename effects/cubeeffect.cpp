// The `cubeeffect` effect: face loading, the view, and the six quads.
#include "effects/cubeeffect.h"

#include <GL/gl.h>
#include <GL/glext.h>  // the names past GL 1.1, which Windows' GL header stops at

#include <cstring>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

namespace {

struct FaceQuad {
    CubeEffect::Face face;
    float normal[3];
    float corners[4][5];  // s, t, x, y, z
};

// Drawing order and geometry of the faces, seen from inside the cube.
constexpr FaceQuad kQuads[] = {
    {CubeEffect::Front, {0, 0, 1}, {{1, 1, -1, 1, 1}, {0, 1, 1, 1, 1}, {0, 0, 1, -1, 1}, {1, 0, -1, -1, 1}}},
    {CubeEffect::Back, {0, 0, -1}, {{0, 1, 1, 1, -1}, {1, 1, -1, 1, -1}, {1, 0, -1, -1, -1}, {0, 0, 1, -1, -1}}},
    {CubeEffect::Left, {-1, 0, 0}, {{0, 1, -1, 1, -1}, {1, 1, -1, 1, 1}, {1, 0, -1, -1, 1}, {0, 0, -1, -1, -1}}},
    {CubeEffect::Right, {1, 0, 0}, {{0, 1, 1, 1, 1}, {1, 1, 1, 1, -1}, {1, 0, 1, -1, -1}, {0, 0, 1, -1, 1}}},
    {CubeEffect::Top, {0, 1, 0}, {{0, 1, -1, 1, -1}, {1, 1, 1, 1, -1}, {1, 0, 1, 1, 1}, {0, 0, -1, 1, 1}}},
    {CubeEffect::Bottom, {0, -1, 0}, {{0, 1, 1, -1, -1}, {1, 1, -1, -1, -1}, {1, 0, -1, -1, 1}, {0, 0, 1, -1, 1}}},
};

}  // namespace

void CubeEffect::load()
{
    for (int face = 0; face < FaceCount; ++face) {
        const char* name = fileNames[face].data();
        if (name[0] == '\0')
            continue;
        if (!loadTgaTexture(name, faceTextures[face]))
            return;
    }
}

void CubeEffect::update(float delta) { spinTime += delta * speed; }

void CubeEffect::render()
{
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    if (camera) {
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        m[12] = m[13] = m[14] = 0;
        m[15] = 1;
        glLoadMatrixf(m);
    } else {
        glLoadIdentity();
        glScalef(1, 1, 2);
        glRotatef(-25, 1, 0, 0);
        glRotatef(spinTime * 0.1f, 0, 1, 0);
    }

    // No face culling: the viewer always sits at the box's centre, where every quad turns its
    // counter-clockwise inner side to it, so culling front faces would hide all six and culling
    // back faces would hide them all under a mirroring view.
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    for (const FaceQuad& quad : kQuads) {
        faceTextures[quad.face].bind();
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_REPLACE));
        glBegin(GL_QUADS);
        glNormal3fv(quad.normal);
        for (const auto& c : quad.corners) {
            glTexCoord2f(c[0], c[1]);
            glVertex3f(c[2], c[3], c[4]);
        }
        glEnd();
    }
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
}

EffectScript CubeEffect::script() const
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<Flag, &CubeEffect::camera>("camera"),
        attribute<File, &CubeEffect::fileNames, Front>("file_front"),
        attribute<File, &CubeEffect::fileNames, Back>("file_back"),
        attribute<File, &CubeEffect::fileNames, Top>("file_top"),
        attribute<File, &CubeEffect::fileNames, Bottom>("file_bot"),
        attribute<File, &CubeEffect::fileNames, Left>("file_left"),
        attribute<File, &CubeEffect::fileNames, Right>("file_right"),
    };
    return {kAttributes, {}};
}

}  // namespace velmora
