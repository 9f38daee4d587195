// Scene drawing: lights, per-group materials on two texture units, display lists per mesh and
// skinned meshes sent vertex by vertex.
#include <GL/gl.h>

#include "resources/gl_extensions.h"
#include "scene/scene.h"

namespace velmora {

namespace {

constexpr GLfloat kGrey[4] = {0.2f, 0.2f, 0.2f, 0.2f};
constexpr GLfloat kWhite[4] = {1, 1, 1, 1};

// Selects unit 1 or 0 when the multitexture entry points exist; without them only unit 0 is
// there and it is always selected.
bool selectUnit(GLenum unit)
{
    if (!glActiveTextureARB)
        return unit == GL_TEXTURE0_ARB;
    glActiveTextureARB(unit);
    return true;
}

void resetUnit(GLenum unit)
{
    if (!selectUnit(unit))
        return;
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void setSphereMap(bool on)
{
    if (on) {
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    } else {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
}

void bindMap(const MaterialMap& map)
{
    glEnable(GL_TEXTURE_2D);
    if (map.texture)
        map.texture->texture.bind();
}

}  // namespace

// ---- Material ------------------------------------------------------------------------------

void Material::apply() const
{
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kGrey);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colours[0].data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kWhite);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 50.0f);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    if (mapCount == 0)
        glDisable(GL_TEXTURE_2D);

    resetUnit(GL_TEXTURE1_ARB);
    resetUnit(GL_TEXTURE0_ARB);
    if (mapCount == 0)
        return;

    bindMap(maps[0]);
    setSphereMap((maps[0].flags & kSphereMap) != 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (mapCount >= 2 && selectUnit(GL_TEXTURE1_ARB)) {
        bindMap(maps[1]);
        const bool sphere = (maps[1].flags & kSphereMap) != 0;
        setSphereMap(sphere);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, sphere ? GL_ADD : GL_MODULATE);
        selectUnit(GL_TEXTURE0_ARB);
    }
}

// ---- Mesh ----------------------------------------------------------------------------------

void Mesh::draw() { displayList.call(); }

void Mesh::drawDirect() const
{
    const MeshGeometry& g = geometry;
    const uint32_t triangles = g.triangleCount();
    const uint32_t corners = g.cornerCount();
    const float* set0 = g.coordSetCount > 0 ? g.coords.data() : nullptr;
    const float* set1 = g.coordSetCount > 1 ? g.coords.data() + corners * 2 : nullptr;
    uint32_t first = 0;
    for (size_t group = 0; group < g.groupLast.size(); ++group) {
        // The loader guarantees ascending last indices below the triangle count.
        const uint32_t last = g.groupLast[group];
        if (group < groupMaterials.size() && groupMaterials[group])
            groupMaterials[group]->apply();
        glBegin(GL_TRIANGLES);
        for (uint32_t t = first; t <= last && t < triangles; ++t)
            for (uint32_t c = t * 3; c < t * 3 + 3; ++c) {
                glColor3ubv(&g.colours[c * 4]);
                glNormal3fv(&g.normals[c].x);
                if (set0 && glMultiTexCoord2fvARB) {
                    glMultiTexCoord2fvARB(GL_TEXTURE0_ARB, set0 + c * 2);
                    if (set1)
                        glMultiTexCoord2fvARB(GL_TEXTURE1_ARB, set1 + c * 2);
                } else if (set0) {
                    glTexCoord2fv(set0 + c * 2);
                }
                glVertex3fv(&g.positions[g.indices[c]].x);
            }
        glEnd();
        first = last + 1;
    }
}

void Mesh::buildDisplayList()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    drawDirect();
    displayList.reset();  // before generating, so that the new list may take the freed name
    displayList = DisplayLists::generate();
    displayList.compile(0, [this] { drawDirect(); });
}

// ---- Scene ---------------------------------------------------------------------------------

void Scene::Render()
{
    GLint maxLights = 8;
    glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    for (size_t i = 0; i < lights.size() && i < static_cast<size_t>(maxLights); ++i) {
        const Light& light = *lights[i];
        const GLenum id = GL_LIGHT0 + static_cast<GLenum>(i);
        glEnable(GL_LIGHTING);
        glEnable(id);
        glLightfv(id, GL_AMBIENT, kGrey);
        glLightfv(id, GL_DIFFUSE, light.colour.data());
        const Matrix4* placement = light.parent ? light.parent->localMatrix() : nullptr;
        const GLfloat position[4] = {placement ? (*placement)[12] : 0.0f,
                                     placement ? (*placement)[13] : 0.0f,
                                     placement ? (*placement)[14] : 0.0f, 0.0f};
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glLightfv(id, GL_POSITION, position);
    }
    glPopMatrix();

    for (auto& mesh : meshes) {
        if (!mesh->visible || mesh->suppressed)
            continue;
        glPushMatrix();
        const Matrix4* world = mesh->parent ? mesh->parent->worldMatrix() : nullptr;
        if (world)
            glMultMatrixf(world->data());
        mesh->draw();
        glPopMatrix();
    }
    for (auto& skin : skins)
        skin->deformed->drawDirect();
}

}  // namespace velmora
