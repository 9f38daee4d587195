// Triangle soup assembly and primitives for the scene generator.
#include "tools/scenegen/mesh_builder.h"

#include <cmath>
#include <cstring>

namespace velmora::scenegen {

Vec3f add(Vec3f a, Vec3f b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3f sub(Vec3f a, Vec3f b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3f scaled(Vec3f a, float k) { return {a.x * k, a.y * k, a.z * k}; }
Vec3f cross(Vec3f a, Vec3f b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3f normalized(Vec3f a)
{
    const float length = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return length > 0 ? scaled(a, 1 / length) : Vec3f{0, 0, 1};
}

void MeshBuilder::triangle(const Corner& a, const Corner& b, const Corner& c)
{
    for (const Corner* corner : {&a, &b, &c})
        corners_.push_back({*corner, colour_});
    triangleMaterials_.push_back(material_);
}

void MeshBuilder::quad(const Corner& a, const Corner& b, const Corner& c, const Corner& d)
{
    triangle(a, b, c);
    triangle(a, c, d);
}

void MeshBuilder::flatQuad(Vec3f a, Vec3f b, Vec3f c, Vec3f d)
{
    const Vec3f n = normalized(cross(sub(b, a), sub(c, a)));
    quad({a, n, 0, 0}, {b, n, 1, 0}, {c, n, 1, 1}, {d, n, 0, 1});
}

void MeshBuilder::box(Vec3f c, Vec3f h)
{
    auto p = [&](float sx, float sy, float sz) {
        return Vec3f{c.x + sx * h.x, c.y + sy * h.y, c.z + sz * h.z};
    };
    flatQuad(p(-1, -1, 1), p(1, -1, 1), p(1, 1, 1), p(-1, 1, 1));      // front
    flatQuad(p(1, -1, -1), p(-1, -1, -1), p(-1, 1, -1), p(1, 1, -1));  // back
    flatQuad(p(1, -1, 1), p(1, -1, -1), p(1, 1, -1), p(1, 1, 1));      // right
    flatQuad(p(-1, -1, -1), p(-1, -1, 1), p(-1, 1, 1), p(-1, 1, -1));  // left
    flatQuad(p(-1, 1, 1), p(1, 1, 1), p(1, 1, -1), p(-1, 1, -1));      // top
    flatQuad(p(-1, -1, -1), p(1, -1, -1), p(1, -1, 1), p(-1, -1, 1));  // bottom
}

void MeshBuilder::ellipsoid(Vec3f c, Vec3f r, int rings, int segments)
{
    auto corner = [&](int ring, int segment) {
        const float theta = kPi * ring / rings;
        const float phi = 2 * kPi * segment / segments;
        const Vec3f unit{std::sin(theta) * std::cos(phi), std::cos(theta),
                         std::sin(theta) * std::sin(phi)};
        const Vec3f p{c.x + r.x * unit.x, c.y + r.y * unit.y, c.z + r.z * unit.z};
        const Vec3f n = normalized({unit.x / r.x, unit.y / r.y, unit.z / r.z});
        return Corner{p, n, static_cast<float>(segment) / segments,
                      1 - static_cast<float>(ring) / rings};
    };
    for (int ring = 0; ring < rings; ++ring)
        for (int segment = 0; segment < segments; ++segment) {
            const Corner a = corner(ring, segment), b = corner(ring + 1, segment);
            const Corner cc = corner(ring + 1, segment + 1), d = corner(ring, segment + 1);
            if (ring > 0)
                triangle(a, d, cc);
            if (ring < rings - 1)
                triangle(a, cc, b);
        }
}

void MeshBuilder::cylinder(Vec3f base, float radius, float height, int segments)
{
    const Vec3f top = add(base, {0, height, 0});
    for (int s = 0; s < segments; ++s) {
        const float a0 = 2 * kPi * s / segments, a1 = 2 * kPi * (s + 1) / segments;
        const Vec3f n0{std::cos(a0), 0, -std::sin(a0)}, n1{std::cos(a1), 0, -std::sin(a1)};
        const Vec3f b0 = add(base, scaled(n0, radius)), b1 = add(base, scaled(n1, radius));
        const Vec3f t0 = add(top, scaled(n0, radius)), t1 = add(top, scaled(n1, radius));
        const float u0 = static_cast<float>(s) / segments, u1 = static_cast<float>(s + 1) / segments;
        quad({b0, n0, u0, 0}, {b1, n1, u1, 0}, {t1, n1, u1, 1}, {t0, n0, u0, 1});
        triangle({top, {0, 1, 0}, 0.5f, 0.5f}, {t0, {0, 1, 0}, 0, 0}, {t1, {0, 1, 0}, 1, 0});
        triangle({base, {0, -1, 0}, 0.5f, 0.5f}, {b1, {0, -1, 0}, 1, 0}, {b0, {0, -1, 0}, 0, 0});
    }
}

void MeshBuilder::cylinderX(Vec3f base, float radius, float length, int segments)
{
    const Vec3f end = add(base, {length, 0, 0});
    for (int s = 0; s < segments; ++s) {
        const float a0 = 2 * kPi * s / segments, a1 = 2 * kPi * (s + 1) / segments;
        const Vec3f n0{0, std::cos(a0), std::sin(a0)}, n1{0, std::cos(a1), std::sin(a1)};
        const Vec3f b0 = add(base, scaled(n0, radius)), b1 = add(base, scaled(n1, radius));
        const Vec3f e0 = add(end, scaled(n0, radius)), e1 = add(end, scaled(n1, radius));
        quad({b0, n0, 0, 0}, {e0, n0, 1, 0}, {e1, n1, 1, 1}, {b1, n1, 0, 1});
        triangle({end, {1, 0, 0}, 0.5f, 0.5f}, {e1, {1, 0, 0}, 0, 0}, {e0, {1, 0, 0}, 1, 0});
        triangle({base, {-1, 0, 0}, 0.5f, 0.5f}, {b0, {-1, 0, 0}, 1, 0}, {b1, {-1, 0, 0}, 0, 0});
    }
}

void MeshBuilder::extrudeStarShaped(Vec3f c, const std::vector<std::pair<float, float>>& outline,
                                    float depth)
{
    const float front = c.z + depth / 2, back = c.z - depth / 2;
    const size_t n = outline.size();
    for (size_t i = 0; i < n; ++i) {
        const auto [x0, y0] = outline[i];
        const auto [x1, y1] = outline[(i + 1) % n];
        const Vec3f f0{c.x + x0, c.y + y0, front}, f1{c.x + x1, c.y + y1, front};
        const Vec3f b0{c.x + x0, c.y + y0, back}, b1{c.x + x1, c.y + y1, back};
        const Vec3f centreFront{c.x, c.y, front}, centreBack{c.x, c.y, back};
        triangle({centreFront, {0, 0, 1}, 0.5f, 0.5f}, {f0, {0, 0, 1}, 0.5f + x0 / 8, 0.5f + y0 / 8},
                 {f1, {0, 0, 1}, 0.5f + x1 / 8, 0.5f + y1 / 8});
        triangle({centreBack, {0, 0, -1}, 0.5f, 0.5f}, {b1, {0, 0, -1}, 0.5f + x1 / 8, 0.5f + y1 / 8},
                 {b0, {0, 0, -1}, 0.5f + x0 / 8, 0.5f + y0 / 8});
        flatQuad(b0, b1, f1, f0);
    }
}

MeshGeometry MeshBuilder::build(uint32_t coordinateSets) const
{
    MeshGeometry g;
    const uint32_t corners = static_cast<uint32_t>(corners_.size());
    g.coordSetCount = coordinateSets;
    for (uint32_t i = 0; i < corners; ++i) {
        const Entry& e = corners_[i];
        g.positions.push_back(e.corner.position);
        g.indices.push_back(i);
        g.normals.push_back(e.corner.normal);
        g.colours.insert(g.colours.end(), {e.colour.r, e.colour.g, e.colour.b, 0});
    }
    for (uint32_t set = 0; set < coordinateSets; ++set)
        for (const Entry& e : corners_)
            g.coords.insert(g.coords.end(), {e.corner.u, e.corner.v});
    for (uint32_t t = 0; t < triangleMaterials_.size(); ++t) {
        const bool lastOfGroup =
            t + 1 == triangleMaterials_.size() || triangleMaterials_[t + 1] != triangleMaterials_[t];
        if (lastOfGroup) {
            g.groupLast.push_back(t);
            g.groupMaterialIds.push_back(triangleMaterials_[t]);
        }
    }
    return g;
}

std::vector<Vec3f> MeshBuilder::vertexPositions() const
{
    std::vector<Vec3f> positions;
    for (const Entry& e : corners_)
        positions.push_back(e.corner.position);
    return positions;
}

std::vector<std::pair<float, float>> cogOutline(int teeth, float radius, float depth)
{
    std::vector<std::pair<float, float>> outline;
    const float step = 2 * kPi / teeth;
    const float inner = radius - depth / 2, outer = radius + depth / 2;
    for (int t = 0; t < teeth; ++t) {
        const float a = t * step;
        const float at[4] = {a, a + step * 0.2f, a + step * 0.45f, a + step * 0.65f};
        const float r[4] = {inner, outer, outer, inner};
        for (int i = 0; i < 4; ++i)
            outline.push_back({r[i] * std::cos(at[i]), r[i] * std::sin(at[i])});
    }
    return outline;
}

std::vector<std::pair<int, int>> letterCells(char letter)
{
    static const struct {
        char letter;
        const char* rows[7];
    } kFont[] = {
        {'V', {"X...X", "X...X", "X...X", "X...X", ".X.X.", ".X.X.", "..X.."}},
        {'E', {"XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"}},
        {'L', {"X....", "X....", "X....", "X....", "X....", "X....", "XXXXX"}},
        {'M', {"X...X", "XX.XX", "X.X.X", "X.X.X", "X...X", "X...X", "X...X"}},
        {'O', {".XXX.", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."}},
        {'R', {"XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"}},
        {'A', {".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"}},
    };
    std::vector<std::pair<int, int>> cells;
    for (const auto& glyph : kFont)
        if (glyph.letter == letter)
            for (int row = 0; row < 7; ++row)
                for (int column = 0; column < 5; ++column)
                    if (glyph.rows[row][column] == 'X')
                        cells.push_back({column, row});
    return cells;
}

}  // namespace velmora::scenegen
