// Geometry for the generated scenes: a triangle soup with per-corner attributes and material
// groups, and the primitives the show's scenes are built from.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/scene_objects.h"

namespace velmora::scenegen {

constexpr float kPi = 3.14159265f;

struct Rgb {
    uint8_t r, g, b;
};

struct Corner {
    Vec3f position;
    Vec3f normal;
    float u = 0, v = 0;
};

Vec3f add(Vec3f a, Vec3f b);
Vec3f sub(Vec3f a, Vec3f b);
Vec3f scaled(Vec3f a, float k);
Vec3f cross(Vec3f a, Vec3f b);
Vec3f normalized(Vec3f a);

class MeshBuilder {
public:
    // Later triangles use this material id and corner colour.
    void setMaterial(uint32_t materialId) { material_ = materialId; }
    void setColour(Rgb colour) { colour_ = colour; }

    void triangle(const Corner& a, const Corner& b, const Corner& c);
    // Two triangles a-b-c and a-c-d.
    void quad(const Corner& a, const Corner& b, const Corner& c, const Corner& d);
    // A flat-shaded quad with the normal of its plane and the unit square's coordinates.
    void flatQuad(Vec3f a, Vec3f b, Vec3f c, Vec3f d);

    // Axis-aligned box around `centre` with half extents `half`.
    void box(Vec3f centre, Vec3f half);
    // Smooth ellipsoid around `centre` with radii `radii`.
    void ellipsoid(Vec3f centre, Vec3f radii, int rings, int segments);
    // Cylinder along y from `base` up by `height`, with caps.
    void cylinder(Vec3f base, float radius, float height, int segments);
    // Cylinder along x from `base` to the right by `length`, with caps.
    void cylinderX(Vec3f base, float radius, float length, int segments);
    // A closed polygon in the xy plane that every ray from the origin crosses once, extruded
    // from z = -depth / 2 to depth / 2 around `centre`.
    void extrudeStarShaped(Vec3f centre, const std::vector<std::pair<float, float>>& outline,
                           float depth);

    size_t triangleCount() const { return corners_.size() / 3; }
    // Every corner becomes its own vertex; `coordinateSets` is 1 or 2 (the second repeats the
    // first).
    MeshGeometry build(uint32_t coordinateSets = 1) const;

    // Positions of the built mesh's vertices, in vertex order (for skin weights).
    std::vector<Vec3f> vertexPositions() const;

private:
    struct Entry {
        Corner corner;
        Rgb colour;
    };
    std::vector<Entry> corners_;
    std::vector<uint32_t> triangleMaterials_;
    uint32_t material_ = 0;
    Rgb colour_{255, 255, 255};
};

// A gear outline: `teeth` teeth around `radius` (the pitch radius), `depth` deep.
std::vector<std::pair<float, float>> cogOutline(int teeth, float radius, float depth);

// Cells of a 5 x 7 block letter, row 0 at the top; only the show's letters are known.
std::vector<std::pair<int, int>> letterCells(char letter);

}  // namespace velmora::scenegen
