// Convex rigid bodies, the impulse-based world solver and the draped cloth of the `rigid`
// effect. Pure computation: nothing here touches GL.
#pragma once

#include <utility>
#include <vector>

#include "effects/vec3d.h"

namespace velmora {

struct RigidFace {
    std::vector<int> corners;    // vertex indices, ordered so that `normal` points out of the body
    std::vector<Vec3d> normals;  // one shading normal per corner
    Vec3d normal;                // unit plane normal; normal . p + offset = 0 on the face
    double offset = 0;
    // One plane per edge (corner k to k + 1), containing the edge and `normal`, facing away from
    // the face: a point of the face plane is inside when every edgeNormal . p + edgeOffset <= 0.
    std::vector<Vec3d> edgeNormals;
    std::vector<double> edgeOffsets;
};

constexpr int kBodyStateSize = 18;  // x (3), R (9, row-major), P (3), L (3)

struct RigidBody {
    std::vector<Vec3d> vertices;  // body space
    std::vector<std::pair<int, int>> edges;
    std::vector<RigidFace> faces;
    double boundRadius = 0;  // largest vertex distance from the origin
    Vec3d extent;            // largest absolute x, y, z of the vertices
    double invMass = 1;      // 0: immovable
    Mat3d invInertiaBody = zeroMatrix();

    Vec3d position;
    Mat3d orientation;
    Vec3d momentum;
    Vec3d angularMomentum;
    Vec3d velocity;
    Mat3d invInertiaWorld = zeroMatrix();
    Vec3d angularVelocity;
    Vec3d force, torque;

    void getState(double* state) const;
    // Re-orthonormalises R and recomputes velocity, invInertiaWorld and angularVelocity.
    void setState(const double* state);
    void derivative(double* out) const;
    void computeForces();
    // Velocity and angular velocity from the momenta (after an impulse).
    void updateVelocities();
    Vec3d toBody(const Vec3d& world) const { return transpose(orientation) * (world - position); }
    Vec3d toWorld(const Vec3d& body) const { return orientation * body + position; }
};

// Shapes centred on the body origin. Faces get their planes and edge planes; bounds are set.
RigidBody makeBox(double s1, double s2, double s3);
RigidBody makeEllipsoid(double s1, double s2, double s3);
RigidBody makeCylinder(double s1, double s2, double s3);
// Body-space inertia by sampling 32^3 points inside the body, inverted into invInertiaBody
// (left zero when singular). Uses invMass, so set it first.
void computeInertia(RigidBody& body);

struct Contact {
    int a = 0, b = 0;
    Vec3d point;   // world
    Vec3d normal;  // world, from b towards a
    Vec3d edgeA, edgeB;
    bool vertexFace = true;
};

// Restitution for a relative normal velocity below 0 (an approaching contact).
double contactRestitution(double vrel);

class RigidWorld {
public:
    std::vector<RigidBody> bodies;
    std::vector<Contact> contacts;

    // Advances every body by dt with step halving on interpenetration and contact impulses.
    void step(double dt);
    bool interpenetrates(int a, int b) const;
    void findContacts();
    // Applies the impulse of one contact; false when its bodies are separating or resting.
    bool applyImpulse(const Contact& contact);
    // Sweeps the contact list until no impulse is applied, at most 4 times.
    void resolveCollisions();

private:
    void vertexFaceContacts(int a, int b);
    void edgeEdgeContacts(int a, int b);
    std::vector<double> start_, slope_;
};

// The fourteen bodies of the scene at rest, ground first.
void buildRigidScene(RigidWorld& world);

class ClothGrid {
public:
    static constexpr int kSize = 32;
    static constexpr double kSpacing = 16.0 / 31.0;

    ClothGrid();
    void step(const RigidWorld& world);
    const Vec3d& at(int row, int column) const { return position_[row * kSize + column]; }
    // Cross product of the central differences along the row and the column (clamped).
    Vec3d normalAt(int row, int column) const;

private:
    std::vector<Vec3d> position_, previous_, acceleration_;
    double distance_[25];
};

}  // namespace velmora
