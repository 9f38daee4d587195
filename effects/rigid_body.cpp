// Rigid bodies, the impulse solver and the cloth of the `rigid` effect.
#include "effects/rigid_body.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

constexpr double kTolerance = 0.4;
constexpr double kPi = 3.14159265358979323846;

// Face planes, edge planes, the shared edge list and the bounds of a finished shape.
void finishBody(RigidBody& body)
{
    for (RigidFace& face : body.faces) {
        auto plane = [&] {
            const Vec3d c0 = body.vertices[face.corners[0]];
            const Vec3d c1 = body.vertices[face.corners[1]];
            const Vec3d c2 = body.vertices[face.corners[2]];
            face.normal = normalized(cross(c2 - c0, c1 - c0));
            face.offset = -dot(face.normal, c0);
        };
        plane();
        Vec3d centre;
        for (int corner : face.corners) centre += body.vertices[corner];
        centre *= 1.0 / face.corners.size();
        if (dot(face.normal, centre) < 0) {
            std::reverse(face.corners.begin(), face.corners.end());
            std::reverse(face.normals.begin(), face.normals.end());
            plane();
        }
        const size_t count = face.corners.size();
        for (size_t k = 0; k < count; ++k) {
            const Vec3d p0 = body.vertices[face.corners[k]];
            const Vec3d p1 = body.vertices[face.corners[(k + 1) % count]];
            Vec3d n = normalized(cross(p1 - p0, face.normal));
            if (dot(n, centre - p0) > 0)
                n = -n;
            face.edgeNormals.push_back(n);
            face.edgeOffsets.push_back(-dot(n, p0));
        }
    }
    // Shapes may repeat a point in several faces; an edge is listed once per pair of points.
    std::vector<int> canonical(body.vertices.size());
    for (size_t i = 0; i < body.vertices.size(); ++i) {
        canonical[i] = static_cast<int>(i);
        for (size_t j = 0; j < i; ++j) {
            const Vec3d d = body.vertices[i] - body.vertices[j];
            if (d.x == 0 && d.y == 0 && d.z == 0) {
                canonical[i] = static_cast<int>(j);
                break;
            }
        }
    }
    for (const RigidFace& face : body.faces) {
        const size_t count = face.corners.size();
        for (size_t k = 0; k < count; ++k) {
            int a = canonical[face.corners[k]];
            int b = canonical[face.corners[(k + 1) % count]];
            if (a > b)
                std::swap(a, b);
            if (std::find(body.edges.begin(), body.edges.end(), std::make_pair(a, b)) == body.edges.end())
                body.edges.emplace_back(a, b);
        }
    }
    for (const Vec3d& v : body.vertices) {
        body.boundRadius = std::max(body.boundRadius, length(v));
        body.extent = {std::max(body.extent.x, std::fabs(v.x)), std::max(body.extent.y, std::fabs(v.y)),
                       std::max(body.extent.z, std::fabs(v.z))};
    }
}

Mat3d crossMatrix(const Vec3d& w)
{
    Mat3d m;
    m.m[0] = 0, m.m[1] = -w.z, m.m[2] = w.y;
    m.m[3] = w.z, m.m[4] = 0, m.m[5] = -w.x;
    m.m[6] = -w.y, m.m[7] = w.x, m.m[8] = 0;
    return m;
}

// Gauss-Jordan with partial pivoting; false (and `inverse` untouched) when singular.
bool invert(const Mat3d& matrix, Mat3d& inverse)
{
    double a[3][6];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c) a[r][c] = c < 3 ? matrix.at(r, c) : (c - 3 == r ? 1 : 0);
    for (int c = 0; c < 3; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 3; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c]))
                pivot = r;
        if (a[pivot][c] == 0)
            return false;
        for (int k = 0; k < 6; ++k) std::swap(a[c][k], a[pivot][k]);
        const double scale = 1.0 / a[c][c];
        for (int k = 0; k < 6; ++k) a[c][k] *= scale;
        for (int r = 0; r < 3; ++r) {
            if (r == c)
                continue;
            const double f = a[r][c];
            for (int k = 0; k < 6; ++k) a[r][k] -= f * a[c][k];
        }
    }
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) inverse.at(r, c) = a[r][c + 3];
    return true;
}

// Does the segment p0-p1 pass within r of `centre`?
bool edgeNearPoint(const Vec3d& p0, const Vec3d& p1, const Vec3d& centre, double r)
{
    if (length(p0 - centre) <= r || length(p1 - centre) <= r)
        return true;
    const Vec3d d = p1 - p0;
    const Vec3d f = p0 - centre;
    const double a = dot(d, d);
    const double b = 2 * dot(f, d);
    const double c = dot(f, f) - r * r;
    const double disc = b * b - 4 * a * c;
    if (disc < 0 || a == 0)
        return false;
    const double root = std::sqrt(disc);
    const double t1 = (-b - root) / (2 * a);
    const double t2 = (-b + root) / (2 * a);
    return (t1 >= 0 && t1 <= 1) || (t2 >= 0 && t2 <= 1);
}

bool insideFace(const RigidFace& face, const Vec3d& q)
{
    for (size_t k = 0; k < face.edgeNormals.size(); ++k)
        if (dot(face.edgeNormals[k], q) + face.edgeOffsets[k] > 0)
            return false;
    return true;
}

double motionBound(const RigidBody& a, const RigidBody& b)
{
    return length(b.angularVelocity) * b.boundRadius + length(a.angularVelocity) * a.boundRadius +
           length(a.velocity) + length(b.velocity);
}

}  // namespace

// ---- Shapes ----

RigidBody makeBox(double s1, double s2, double s3)
{
    RigidBody body;
    for (int i = 0; i < 8; ++i)
        body.vertices.push_back({i & 1 ? s1 : -s1, i & 2 ? s2 : -s2, i & 4 ? s3 : -s3});
    for (int axis = 0; axis < 3; ++axis) {
        const int u = 1 << ((axis + 1) % 3), v = 1 << ((axis + 2) % 3);
        for (int side = 0; side < 2; ++side) {
            const int base = side ? 1 << axis : 0;
            RigidFace face;
            face.corners = {base, base | u, base | u | v, base | v};
            body.faces.push_back(face);
        }
    }
    finishBody(body);
    for (RigidFace& face : body.faces) face.normals.assign(face.corners.size(), face.normal);
    return body;
}

RigidBody makeEllipsoid(double s1, double s2, double s3)
{
    RigidBody body;
    const double grid[4] = {-1, -1.0 / 3, 1.0 / 3, 1};
    std::vector<Vec3d> units;
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = 0; side < 2; ++side) {
            const int first = static_cast<int>(body.vertices.size());
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) {
                    Vec3d p;
                    p[axis] = side ? 1 : -1;
                    p[(axis + 1) % 3] = grid[i];
                    p[(axis + 2) % 3] = grid[j];
                    const Vec3d unit = normalized(p);
                    units.push_back(unit);
                    body.vertices.push_back({unit.x * s1, unit.y * s2, unit.z * s3});
                }
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    RigidFace face;
                    face.corners = {first + i * 4 + j, first + (i + 1) * 4 + j, first + (i + 1) * 4 + j + 1,
                                    first + i * 4 + j + 1};
                    for (int corner : face.corners) {
                        const Vec3d u = units[corner];
                        face.normals.push_back(normalized({u.x / s1, u.y / s2, u.z / s3}));
                    }
                    body.faces.push_back(face);
                }
        }
    }
    finishBody(body);
    return body;
}

RigidBody makeCylinder(double s1, double s2, double s3)
{
    RigidBody body;
    constexpr int kSides = 16;
    for (int ring = 0; ring < 2; ++ring)
        for (int k = 0; k < kSides; ++k) {
            const double theta = 2 * kPi * k / kSides;
            body.vertices.push_back({s1 * std::cos(theta), ring ? -s2 : s2, s3 * std::sin(theta)});
        }
    RigidFace top, bottom;
    for (int k = 0; k < kSides; ++k) {
        top.corners.push_back(k);
        bottom.corners.push_back(kSides + k);
    }
    body.faces.push_back(top);
    body.faces.push_back(bottom);
    for (int k = 0; k < kSides; ++k) {
        const int next = (k + 1) % kSides;
        RigidFace side;
        side.corners = {k, next, kSides + next, kSides + k};
        for (int corner : side.corners) {
            const Vec3d v = body.vertices[corner];
            side.normals.push_back(normalized({v.x, 0, v.z}));
        }
        body.faces.push_back(side);
    }
    finishBody(body);
    for (int cap = 0; cap < 2; ++cap)
        body.faces[cap].normals.assign(kSides, body.faces[cap].normal);
    return body;
}

void computeInertia(RigidBody& body)
{
    Mat3d tensor = zeroMatrix();
    long kept = 0;
    for (int i = 0; i < 32; ++i)
        for (int j = 0; j < 32; ++j)
            for (int k = 0; k < 32; ++k) {
                const Vec3d p{(i * 2.0 / 31 - 1) * body.extent.x, (j * 2.0 / 31 - 1) * body.extent.y,
                              (k * 2.0 / 31 - 1) * body.extent.z};
                bool inside = true;
                for (const RigidFace& face : body.faces)
                    if (dot(face.normal, p) + face.offset > 0) {
                        inside = false;
                        break;
                    }
                if (!inside)
                    continue;
                ++kept;
                tensor.m[0] += p.y * p.y + p.z * p.z;
                tensor.m[4] += p.x * p.x + p.z * p.z;
                tensor.m[8] += p.x * p.x + p.y * p.y;
                tensor.m[1] -= p.x * p.y;
                tensor.m[2] -= p.x * p.z;
                tensor.m[5] -= p.y * p.z;
            }
    tensor.m[3] = tensor.m[1], tensor.m[6] = tensor.m[2], tensor.m[7] = tensor.m[5];
    if (kept > 0) {
        const double mass = body.invMass != 0 ? 1.0 / body.invMass : 0.0;
        for (double& v : tensor.m) v = v / kept * mass;
    }
    body.invInertiaBody = zeroMatrix();
    invert(tensor, body.invInertiaBody);
}

// ---- Body state ----

void RigidBody::getState(double* s) const
{
    s[0] = position.x, s[1] = position.y, s[2] = position.z;
    for (int i = 0; i < 9; ++i) s[3 + i] = orientation.m[i];
    s[12] = momentum.x, s[13] = momentum.y, s[14] = momentum.z;
    s[15] = angularMomentum.x, s[16] = angularMomentum.y, s[17] = angularMomentum.z;
}

void RigidBody::setState(const double* s)
{
    position = {s[0], s[1], s[2]};
    Mat3d r;
    for (int i = 0; i < 9; ++i) r.m[i] = s[3 + i];
    const Vec3d u = normalized(r.column(0));
    const Vec3d v = normalized(r.column(1) - u * dot(r.column(1), u));
    Vec3d w = normalized(r.column(2) - v * dot(r.column(2), v));
    w = normalized(w - u * dot(w, u));
    orientation.setColumn(0, u);
    orientation.setColumn(1, v);
    orientation.setColumn(2, w);
    momentum = {s[12], s[13], s[14]};
    angularMomentum = {s[15], s[16], s[17]};
    invInertiaWorld = orientation * invInertiaBody * transpose(orientation);
    updateVelocities();
}

void RigidBody::updateVelocities()
{
    velocity = momentum * invMass;
    angularVelocity = invInertiaWorld * angularMomentum;
}

void RigidBody::derivative(double* d) const
{
    d[0] = velocity.x, d[1] = velocity.y, d[2] = velocity.z;
    const Mat3d spin = crossMatrix(angularVelocity) * orientation;
    for (int i = 0; i < 9; ++i) d[3 + i] = spin.m[i];
    d[12] = force.x, d[13] = force.y, d[14] = force.z;
    d[15] = torque.x, d[16] = torque.y, d[17] = torque.z;
}

void RigidBody::computeForces()
{
    force = Vec3d{0, -0.01, 0} - velocity * 0.0125;
    torque = angularVelocity * -0.0125;
}

// ---- World ----

double contactRestitution(double vrel)
{
    if (vrel > -0.05)
        return vrel * 20 * 0.6 + 0.2;
    return 0.7;
}

bool RigidWorld::interpenetrates(int ia, int ib) const
{
    const RigidBody& a = bodies[ia];
    const RigidBody& b = bodies[ib];
    if (length(a.position - b.position) > a.boundRadius + b.boundRadius + kTolerance)
        return false;
    for (const auto& [e0, e1] : a.edges) {
        const Vec3d p0 = b.toBody(a.toWorld(a.vertices[e0]));
        const Vec3d p1 = b.toBody(a.toWorld(a.vertices[e1]));
        if (!edgeNearPoint(p0, p1, {}, b.boundRadius + kTolerance))
            continue;
        for (const RigidFace& face : b.faces) {
            const double along = dot(face.normal, p1 - p0);
            if (along == 0)
                continue;
            const double s = -(dot(face.normal, p0) + face.offset) / along;
            if (s < 0 || s > 1)
                continue;
            if (insideFace(face, p0 + (p1 - p0) * s))
                return true;
        }
    }
    return false;
}

void RigidWorld::vertexFaceContacts(int ia, int ib)
{
    const RigidBody& a = bodies[ia];
    const RigidBody& b = bodies[ib];
    const double tolerance = kTolerance + motionBound(a, b);
    if (length(a.position - b.position) > a.boundRadius + b.boundRadius + 2 * tolerance)
        return;
    for (const Vec3d& vertex : a.vertices) {
        const Vec3d world = a.toWorld(vertex);
        const Vec3d q = b.toBody(world);
        if (std::fabs(q.x) > b.extent.x + tolerance || std::fabs(q.y) > b.extent.y + tolerance ||
            std::fabs(q.z) > b.extent.z + tolerance)
            continue;
        for (const RigidFace& face : b.faces) {
            if (std::fabs(dot(face.normal, q) + face.offset) > tolerance || !insideFace(face, q))
                continue;
            Contact contact;
            contact.a = ia;
            contact.b = ib;
            contact.point = world;
            contact.normal = b.orientation * face.normal;
            contact.vertexFace = true;
            contacts.push_back(contact);
        }
    }
}

void RigidWorld::edgeEdgeContacts(int ia, int ib)
{
    constexpr double kEps = 0.01;
    const RigidBody& a = bodies[ia];
    const RigidBody& b = bodies[ib];
    const double tolerance = kTolerance + motionBound(a, b);
    if (length(a.position - b.position) > a.boundRadius + b.boundRadius + 2 * tolerance)
        return;
    auto tiny = [&](const Vec3d& v) {
        return std::fabs(v.x) < kEps && std::fabs(v.y) < kEps && std::fabs(v.z) < kEps;
    };
    for (const auto& [a0, a1] : a.edges) {
        const Vec3d p1 = b.toBody(a.toWorld(a.vertices[a0]));
        const Vec3d p2 = b.toBody(a.toWorld(a.vertices[a1]));
        if (!edgeNearPoint(p1, p2, {}, b.boundRadius + tolerance))
            continue;
        for (const auto& [b0, b1] : b.edges) {
            const Vec3d p3 = b.vertices[b0];
            const Vec3d p4 = b.vertices[b1];
            const Vec3d p13 = p1 - p3, p43 = p4 - p3, p21 = p2 - p1;
            if (tiny(p43) || tiny(p21))
                continue;
            const double d1343 = dot(p13, p43), d4321 = dot(p43, p21), d1321 = dot(p13, p21);
            const double d4343 = dot(p43, p43), d2121 = dot(p21, p21);
            const double denominator = d2121 * d4343 - d4321 * d4321;
            if (std::fabs(denominator) < kEps)
                continue;
            const double mua = (d1343 * d4321 - d1321 * d4343) / denominator;
            const double mub = (d1343 + d4321 * mua) / d4343;
            if (mua < 0 || mua > 1 || mub < 0 || mub > 1)
                continue;
            const Vec3d pa = p1 + p21 * mua;
            const Vec3d pb = p3 + p43 * mub;
            if (dot(pa - pb, pa - pb) >= tolerance * tolerance)
                continue;
            const Vec3d p = (pa + pb) * 0.5;
            Vec3d n = normalized(cross(p43, p21));
            if (dot(n, p) < 0)
                n = -n;
            Contact contact;
            contact.a = ia;
            contact.b = ib;
            contact.point = b.toWorld(p);
            contact.normal = b.orientation * n;
            contact.edgeA = normalized(b.orientation * p21);
            contact.edgeB = normalized(b.orientation * p43);
            contact.vertexFace = false;
            contacts.push_back(contact);
        }
    }
}

void RigidWorld::findContacts()
{
    contacts.clear();
    const int count = static_cast<int>(bodies.size());
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j) {
            vertexFaceContacts(i, j);
            vertexFaceContacts(j, i);
            edgeEdgeContacts(i, j);
        }
}

bool RigidWorld::applyImpulse(const Contact& contact)
{
    RigidBody& a = bodies[contact.a];
    RigidBody& b = bodies[contact.b];
    const Vec3d& n = contact.normal;
    const Vec3d ra = contact.point - a.position;
    const Vec3d rb = contact.point - b.position;
    const Vec3d dotA = a.velocity + cross(a.angularVelocity, ra);
    const Vec3d dotB = b.velocity + cross(b.angularVelocity, rb);
    const double vrel = dot(n, dotA - dotB);
    if (vrel >= 0)
        return false;
    const double e = contactRestitution(vrel);
    const double denominator = a.invMass + b.invMass + dot(n, cross(a.invInertiaWorld * cross(ra, n), ra)) +
                               dot(n, cross(b.invInertiaWorld * cross(rb, n), rb));
    const double j = denominator != 0 ? -(1 + e) * vrel / denominator : 0;
    const Vec3d impulse = n * j;
    a.momentum += impulse;
    b.momentum -= impulse;
    a.angularMomentum += cross(ra, impulse);
    b.angularMomentum -= cross(rb, impulse);
    a.updateVelocities();
    b.updateVelocities();
    return true;
}

void RigidWorld::resolveCollisions()
{
    for (int sweep = 0; sweep < 4; ++sweep) {
        bool applied = false;
        for (const Contact& contact : contacts) applied |= applyImpulse(contact);
        if (!applied)
            break;
    }
}

void RigidWorld::step(double dt)
{
    const size_t count = bodies.size();
    start_.resize(count * kBodyStateSize);
    slope_.resize(count * kBodyStateSize);
    double t = 0;
    for (int pass = 0; pass < 4; ++pass) {
        for (size_t i = 0; i < count; ++i) {
            bodies[i].getState(&start_[i * kBodyStateSize]);
            bodies[i].computeForces();
            bodies[i].derivative(&slope_[i * kBodyStateSize]);
        }
        double h = dt - t;
        for (int tries = 1; tries <= 4; ++tries) {
            double state[kBodyStateSize];
            for (size_t i = 0; i < count; ++i) {
                for (int k = 0; k < kBodyStateSize; ++k)
                    state[k] = start_[i * kBodyStateSize + k] + h * slope_[i * kBodyStateSize + k];
                bodies[i].setState(state);
            }
            h *= 0.5;
            if (tries == 4)
                break;
            bool penetrating = false;
            for (size_t i = 0; i < count && !penetrating; ++i)
                for (size_t j = i + 1; j < count && !penetrating; ++j)
                    penetrating = interpenetrates(static_cast<int>(i), static_cast<int>(j));
            if (!penetrating)
                break;
        }
        t += 2 * h;
        findContacts();
        resolveCollisions();
        if (std::fabs(dt - t) <= 0.01)
            break;
    }
}

void buildRigidScene(RigidWorld& world)
{
    struct Placement {
        char shape;  // 'b' box, 'e' ellipsoid, 'c' cylinder
        double s1, s2, s3;
        Vec3d position;
    };
    static const Placement scene[] = {
        {'b', 256, 1, 256, {0, -8, 0}},     {'e', 2, 2, 2, {0, -3, 0}},      {'c', 1, 2, 1, {-3, -4.4, -3}},
        {'c', 1, 2, 1, {3, -4.4, -3}},      {'c', 1, 2, 1, {3, -4.4, 3}},    {'c', 1, 2, 1, {-3, -4.4, 3}},
        {'e', 1, 1, 1, {6, -4, 0}},         {'e', 1, 1, 1, {0, -4, 6}},      {'e', 1, 1, 1, {-6, -4, 0}},
        {'e', 1, 1, 1, {0, -4, -6}},        {'e', 1, 1, 1, {26, -4, 0}},     {'b', 2.5, 2.5, 2.5, {0, -2.5, -26}},
        {'c', 3, 0.5, 3, {-26, -4.5, 0}},   {'e', 2, 2, 2, {0, -3, 26}},
    };
    world.bodies.clear();
    world.contacts.clear();
    for (const Placement& p : scene) {
        RigidBody body = p.shape == 'b'   ? makeBox(p.s1, p.s2, p.s3)
                         : p.shape == 'e' ? makeEllipsoid(p.s1, p.s2, p.s3)
                                          : makeCylinder(p.s1, p.s2, p.s3);
        if (world.bodies.empty())
            body.invMass = 0;
        computeInertia(body);
        double state[kBodyStateSize] = {p.position.x, p.position.y, p.position.z, 1, 0, 0, 0, 1, 0, 0, 0, 1};
        body.setState(state);
        world.bodies.push_back(std::move(body));
    }
}

// ---- Cloth ----

ClothGrid::ClothGrid()
    : position_(kSize * kSize), previous_(kSize * kSize), acceleration_(kSize * kSize)
{
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) distance_[(dy + 2) * 5 + dx + 2] = std::sqrt(double(dx * dx + dy * dy));
    for (int r = 0; r < kSize; ++r)
        for (int k = 0; k < kSize; ++k)
            position_[r * kSize + k] = previous_[r * kSize + k] = {(k - 15.5) * kSpacing, 16, (r - 15.5) * kSpacing};
}

void ClothGrid::step(const RigidWorld& world)
{
    const double h = 1;
    for (size_t i = 0; i < position_.size(); ++i) {
        acceleration_[i] = {0, -0.007, 0};
        const Vec3d next = position_[i] + (position_[i] - previous_[i]) * (0.96 * h) + acceleration_[i] * (h * h);
        previous_[i] = position_[i];
        position_[i] = next;
    }
    for (int r = 0; r < kSize; ++r)
        for (int k = 0; k < kSize; ++k)
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx) {
                    if ((dx == 0 && dy == 0) || r + dy < 0 || r + dy >= kSize || k + dx < 0 || k + dx >= kSize)
                        continue;
                    Vec3d& node = position_[r * kSize + k];
                    Vec3d& other = position_[(r + dy) * kSize + k + dx];
                    const double rest = distance_[(dy + 2) * 5 + dx + 2] * kSpacing;
                    const Vec3d delta = other - node;
                    const double l = length(delta);
                    if (l == 0)
                        continue;
                    const Vec3d move = delta * ((l - rest) / (2 * l));
                    node += move;
                    other -= move;
                }
    for (const RigidBody& body : world.bodies) {
        const double reach = kSpacing + body.boundRadius;
        for (Vec3d& p : position_) {
            Vec3d q = body.toBody(p);
            if (dot(q, q) > 2 * reach * reach)
                continue;
            const RigidFace* nearest = nullptr;
            double best = 0;
            for (const RigidFace& face : body.faces) {
                const double distance = dot(face.normal, q) + face.offset;
                if (!nearest || distance > best)
                    nearest = &face, best = distance;
            }
            if (!nearest || best > kSpacing)
                continue;
            q += nearest->normal * (kSpacing - best);
            p = body.toWorld(q);
        }
    }
}

Vec3d ClothGrid::normalAt(int r, int k) const
{
    const auto clamp = [](int i) { return std::clamp(i, 0, kSize - 1); };
    const Vec3d alongRow = at(r, clamp(k + 1)) - at(r, clamp(k - 1));
    const Vec3d alongColumn = at(clamp(r + 1), k) - at(clamp(r - 1), k);
    return cross(alongRow, alongColumn);
}

}  // namespace velmora
