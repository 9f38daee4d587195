// Effect `rigid`: the physics scene stepped at a fixed rate and drawn lit, with flattened
// shadows and the cloth as triangle strips.
#include "effects/rigid.h"

#include <GL/gl.h>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

Rigid::~Rigid() { unload(); }

EffectScript Rigid::script() const
{
    static constexpr AttributeRow<Effect> kAttributes[] = {attribute<ValueKind::Flag, &Rigid::camera>("camera")};
    return {kAttributes, {}};
}

void Rigid::load()
{
    unload();
    world_ = std::make_unique<RigidWorld>();
    buildRigidScene(*world_);
    cloth_ = std::make_unique<ClothGrid>();
    stepClock = 0;
    stepCount = 0;
}

void Rigid::unload()
{
    world_.reset();
    cloth_.reset();
}

void Rigid::update(float delta)
{
    if (!world_)
        return;
    stepClock += delta * 0.2f;
    for (int done = 0; done < 4 && stepCount < static_cast<int>(stepClock); ++done) {
        world_->step(1.0);
        ++stepCount;
        // Only the momentum: the velocity follows it when the next step sets the body's state.
        auto kick = [&](int body, Vec3d momentum) { world_->bodies[body].momentum = momentum; };
        if (stepCount == 50)
            kick(11, {0.04, 0, 1.01});
        else if (stepCount == 100)
            kick(10, {-1, 0, 0.045});
        else if (stepCount == 150)
            kick(12, {1, 0, 0.033});
        else if (stepCount == 200)
            kick(13, {-0.054, 0, -0.8});
        if (stepCount > 70)
            cloth_->step(*world_);
    }
}

void Rigid::drawBodyFaces(const RigidBody& body) const
{
    for (const RigidFace& face : body.faces) {
        glBegin(GL_POLYGON);
        for (size_t k = 0; k < face.corners.size(); ++k) {
            const Vec3d& n = face.normals[k];
            const Vec3d& v = body.vertices[face.corners[k]];
            glNormal3d(n.x, n.y, n.z);
            glVertex3d(v.x, v.y, v.z);
        }
        glEnd();
    }
}

void Rigid::render()
{
    if (!world_)
        return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_NORMALIZE);
    const GLfloat white[] = {1, 1, 1, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 50);
    glShadeModel(GL_SMOOTH);
    struct Light {
        GLfloat diffuse[4];
        GLfloat position[4];
    };
    static const Light lights[4] = {
        {{0.0375f, 0.0875f, 0.175f, 1}, {-4.5f, 4.5f, 4, 1}},
        {{0.0375f, 0.0875f, 0.175f, 1}, {-4.5f, 4.5f, 4, 1}},
        {{0.1f, 0.1f, 0.1f, 1}, {7, -7, -3, 1}},
        {{0.25f, 0.025f, 0, 1}, {0, 4, -10, 1}},
    };
    const GLfloat ambient[] = {0.06f, 0.025f, 0.04f, 1};
    for (int i = 0; i < 4; ++i) {
        glLightfv(GL_LIGHT0 + i, GL_AMBIENT, ambient);
        glLightfv(GL_LIGHT0 + i, GL_SPECULAR, white);
        glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, lights[i].diffuse);
        glLightfv(GL_LIGHT0 + i, GL_POSITION, lights[i].position);
        glEnable(GL_LIGHT0 + i);
    }
    glEnable(GL_LIGHTING);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glPopMatrix();

    if (!camera) {
        glLoadIdentity();
        glTranslatef(0, 0, -3.2f);
        glRotatef(20, 1, 0, 0);
        glRotatef(-45, 0, 1, 0);
        glScalef(0.1f, 0.1f, 0.1f);
    }

    auto placeBody = [](const RigidBody& body) {
        glTranslated(body.position.x, body.position.y, body.position.z);
        const Mat3d& r = body.orientation;
        const GLdouble m[16] = {r.at(0, 0), r.at(1, 0), r.at(2, 0), 0, r.at(0, 1), r.at(1, 1), r.at(2, 1), 0,
                                r.at(0, 2), r.at(1, 2), r.at(2, 2), 0, 0, 0, 0, 1};
        glMultMatrixd(m);
    };
    for (const RigidBody& body : world_->bodies) {
        glPushMatrix();
        placeBody(body);
        glEnable(GL_LIGHTING);
        drawBodyFaces(body);
        glPopMatrix();
    }
    for (size_t i = 1; i < world_->bodies.size(); ++i) {
        glPushMatrix();
        glTranslatef(0, -6.5f, 0);
        glScalef(1, 0, 1);
        placeBody(world_->bodies[i]);
        glColor3f(0, 0, 0);
        glDisable(GL_LIGHTING);
        drawBodyFaces(world_->bodies[i]);
        glEnable(GL_LIGHTING);
        glColor3f(1, 1, 1);
        glPopMatrix();
    }

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_CULL_FACE);
    glEnable(GL_NORMALIZE);
    glColor3f(0.2f, 0.4f, 0.78f);
    constexpr int n = ClothGrid::kSize;
    for (int r = 0; r < n - 1; ++r) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int k = 0; k < n; ++k)
            for (int row = r; row <= r + 1; ++row) {
                const Vec3d normal = cloth_->normalAt(row, k);
                const Vec3d& p = cloth_->at(row, k);
                glNormal3d(normal.x, normal.y, normal.z);
                glVertex3d(p.x, p.y, p.z);
            }
        glEnd();
    }
    glPopAttrib();
}

}  // namespace velmora
