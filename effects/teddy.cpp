// Effect `teddy`: loading the fur model and drawing skin, nose, eyes, fur shells and shadow.
#include "effects/teddy.h"

#include <GL/gl.h>

#include <cstdio>

#include "core/fatal_data.h"
#include "core/random.h"
#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"
#include "effects/vec3d.h"
#include "resources/bmp_image.h"

namespace velmora {

namespace {

constexpr float kBodyHair = 1.0f / 16;
constexpr float kHeadHair = 1.0f / 24;

// Head faces with these materials (the nose pad, inner ears, mouth) carry no fur.
bool isBare(const PolyFace& face, bool isHead) { return isHead && face.material < 3; }

void scaleMesh(PolyMesh& mesh, float scale, float lower)
{
    for (PolyVertex& v : mesh.vertices) {
        for (float& c : v.position)
            c *= scale;
        v.position[1] -= lower;
    }
}

void buildShells(const PolyMesh& mesh, float hair, bool isHead, FurShells& shells)
{
    static const float uv[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    static const int corner[6] = {0, 1, 2, 0, 2, 3};
    shells = FurShells{};
    for (const PolyFace& face : mesh.faces) {
        if (isBare(face, isHead) || face.corners.size() != 4)
            continue;
        for (int k = 0; k < Teddy::kFurLayers; ++k) {
            const float s = k / 15.0f;
            for (int i = 0; i < 6; ++i) {
                const PolyVertex& v = mesh.vertices[face.corners[corner[i]]];
                for (int c = 0; c < 3; ++c)
                    shells.positions.push_back(v.position[c] + s * (hair * v.normal[c]));
                shells.texCoords.push_back(uv[i][0]);
                shells.texCoords.push_back(uv[i][1]);
            }
        }
    }
    shells.colours.assign(shells.positions.size(), 0.0f);
}

void drawSkin(const PolyMesh& mesh)
{
    for (const PolyFace& face : mesh.faces) {
        glBegin(GL_POLYGON);
        for (uint16_t index : face.corners) {
            const PolyVertex& v = mesh.vertices[index];
            glNormal3f(v.normal[0] * 0.25f, v.normal[1] * 0.25f, v.normal[2] * 0.25f);
            glVertex3fv(v.position);
        }
        glEnd();
    }
}

void drawSpherePatch()
{
    for (int i = 0; i < 8; ++i) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int j = 0; j <= 8; ++j) {
            const float u = j * 0.25f - 1;
            for (const float v : {(i + 1) * 0.25f - 1, i * 0.25f - 1}) {
                const Vec3d p = normalized({u, v, 1});
                glNormal3d(p.x, p.y, p.z);
                glVertex3d(p.x, p.y, p.z);
            }
        }
        glEnd();
    }
}

void drawUnitSphere()
{
    for (int i = 0; i < 4; ++i) {
        drawSpherePatch();
        glRotatef(90, 0, 1, 0);
    }
    glRotatef(90, 1, 0, 0);
    drawSpherePatch();
    glRotatef(180, 1, 0, 0);
    drawSpherePatch();
}

}  // namespace

Teddy::~Teddy() { unload(); }

EffectScript Teddy::script() const
{
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<ValueKind::Flag, &Teddy::useSceneCamera>("camera"),
    };
    return {kAttributes, {}};
}

void Teddy::load()
{
    unload();
    std::printf("\nhair init\n");
    auto model = std::make_unique<FurModel>();

    std::vector<uint8_t> speck(256 * 256 * 4, 0);
    for (int n = 0; n < 512; ++n) {
        const int x = nextRandom() & 255;
        const int y = nextRandom() & 255;
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx)
                if (x + dx >= 0 && x + dx < 256 && y + dy >= 0 && y + dy < 256)
                    for (int c = 0; c < 4; ++c)
                        speck[((y + dy) * 256 + x + dx) * 4 + c] = 255;
    }
    model->speckTexture = buildMipmappedTexture(speck, 256, 256, 4);

    loadPolyMesh("TEDDY.DAT", model->body);
    loadPolyMesh("TEDHEAD.DAT", model->head);
    std::vector<float>& m = model->body.materials;
    if (m.size() >= 6)
        for (int c = 0; c < 3; ++c)
            m[3 + c] = m[3 + c] * 0.5f + m[c] * 0.5f;
    scaleMesh(model->body, 0.26f, 0.35f);
    scaleMesh(model->head, 0.23f, 0.25f);
    buildShells(model->body, kBodyHair, false, model->bodyFur);
    buildShells(model->head, kHeadHair, true, model->headFur);

    std::vector<uint8_t> shadow;
    if (readFixedBmp("shadow.bmp", 64, 64, BmpPixelOrder::Reversed, shadow) == BmpReadResult::Missing)
        exitForMissingData("shadow.bmp");
    model->shadowTexture = buildMipmappedTexture(shadow, 64, 64, 3);
    furModel = std::move(model);
}

void Teddy::unload()
{
    furModel.reset();  // with its textures
}

void Teddy::update(float delta) { turnAngle += delta * 0.2f; }

void Teddy::render()
{
    furTriangles_ = 0;
    if (!furModel)
        return;
    glMatrixMode(GL_MODELVIEW);
    if (!useSceneCamera) {
        glLoadIdentity();
        glTranslatef(0, 0, -1);
        glRotatef(turnAngle, 0, 1, 0);
    }
    const GLfloat white[] = {1, 1, 1, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 50);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);

    glColor3f(0.125f, 0.0625f, 0);
    glEnable(GL_COLOR_MATERIAL);
    drawSkin(furModel->body);
    drawSkin(furModel->head);
    glDisable(GL_COLOR_MATERIAL);

    glEnable(GL_COLOR_MATERIAL);
    glColor3f(0.1f, 0.1f, 0.1f);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    static const float centres[3][3] = {{0, 0.3f, -0.275f}, {-0.1f, 0.375f, -0.1625f}, {0.1f, 0.375f, -0.1625f}};
    for (const auto& c : centres) {
        glPushMatrix();
        glTranslatef(c[0], c[1], c[2]);
        glScalef(0.05f, 0.05f, 0.05f);
        glEnable(GL_NORMALIZE);
        drawUnitSphere();
        glDisable(GL_NORMALIZE);
        glPopMatrix();
    }
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);

    drawFur(furModel->body, furModel->bodyFur, false);
    drawFur(furModel->head, furModel->headFur, true);

    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    furModel->shadowTexture.bind();
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1);
    glVertex3f(-1, -0.625f, 0.8f);
    glTexCoord2f(1, 1);
    glVertex3f(1, -0.625f, 0.8f);
    glTexCoord2f(1, 0);
    glVertex3f(1, -0.625f, -1.2f);
    glTexCoord2f(0, 0);
    glVertex3f(-1, -0.625f, -1.2f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void Teddy::drawFur(const PolyMesh& mesh, FurShells& shells, bool isHead)
{
    glColor3f(0, 0, 0);
    glDisable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    furModel->speckTexture.bind();
    seedRandom(100);

    constexpr int kFaceFloats = kFurLayers * 6 * 3;
    size_t at = 0;
    float last[3] = {0, 0, 0};
    for (const PolyFace& face : mesh.faces) {
        if (isBare(face, isHead))
            continue;
        if (face.corners.size() != 4)
            exitForMissingData(isHead ? "TEDHEAD.DAT" : "TEDDY.DAT");  // fur grows on quads only
        float colour[3];
        for (int c = 0; c < 3; ++c)
            colour[c] = mesh.materials[face.material * 3 + c] + (nextRandom() & 255) / 8160.0f;
        for (int k = 0; k < kFurLayers; ++k) {
            const float s = k / 15.0f;
            for (int i = 0; i < 6; ++i)
                for (int c = 0; c < 3; ++c)
                    shells.colours[at + (k * 6 + i) * 3 + c] = s * colour[c];
        }
        for (int c = 0; c < 3; ++c)
            last[c] = colour[c];
        at += kFaceFloats;
    }
    const GLsizei vertices = static_cast<GLsizei>(at / 3);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, shells.positions.data());
    glColorPointer(3, GL_FLOAT, 0, shells.colours.data());
    glTexCoordPointer(2, GL_FLOAT, 0, shells.texCoords.data());
    glDrawArrays(GL_TRIANGLES, 0, vertices);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    furTriangles_ += vertices / 3;
    if (vertices > 0)
        glColor3fv(last);  // the colour the outermost layer left current
    glDisable(GL_ALPHA_TEST);
}

void Teddy::renderUnseen()
{
    if (!furModel)
        return;
    // Each fur pass reseeds the generator; the head's, drawn last, leaves it one number further
    // on per furred face.
    seedRandom(100);
    for (const PolyFace& face : furModel->head.faces) {
        if (!isBare(face, true))
            nextRandom();
    }
}

}  // namespace velmora
