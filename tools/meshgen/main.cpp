// Writes the fur teddy's two polygon meshes into the staged data folder: "TEDDY.DAT", a bear's
// body of quads only, and "TEDHEAD.DAT", the head with ears and snout in quads plus bare
// triangles (nose pad, inner ears, mouth) whose material index is below 3.
//
//   velmora-meshgen <staged data folder> <file names...>   (no names: both files)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Vec {
    double x, y, z;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

struct Face {
    std::vector<uint16_t> corners;
    uint16_t material;
};

class Mesh {
public:
    // An ellipsoid made from a subdivided cube (n x n quads per side, so quads only), centred at
    // `centre` with radii `radii`, turned by `tilt` radians about Z. Faces wind counter-clockwise
    // seen from outside. Points of the cube's seams are shared between sides.
    void addBlob(Vec centre, Vec radii, int n, uint16_t material, double tilt = 0)
    {
        std::map<std::tuple<int, int, int>, uint16_t> shared;
        auto point = [&](int i, int j, int k) {
            const auto key = std::make_tuple(i, j, k);
            if (auto found = shared.find(key); found != shared.end())
                return found->second;
            double x = 2.0 * i / n - 1, y = 2.0 * j / n - 1, z = 2.0 * k / n - 1;
            const double l = std::sqrt(x * x + y * y + z * z);
            x = x / l * radii.x, y = y / l * radii.y, z = z / l * radii.z;
            const Vec p{x * std::cos(tilt) - y * std::sin(tilt), x * std::sin(tilt) + y * std::cos(tilt), z};
            const auto index = static_cast<uint16_t>(positions_.size());
            positions_.push_back(p + centre);
            shared[key] = index;
            return index;
        };
        for (int axis = 0; axis < 3; ++axis)
            for (int side = 0; side <= n; side += n)
                for (int a = 0; a < n; ++a)
                    for (int b = 0; b < n; ++b) {
                        auto at = [&](int u, int v) {
                            int c[3];
                            c[axis] = side, c[(axis + 1) % 3] = u, c[(axis + 2) % 3] = v;
                            return point(c[0], c[1], c[2]);
                        };
                        addOutward({at(a, b), at(a + 1, b), at(a + 1, b + 1), at(a, b + 1)}, material, centre);
                    }
    }
    // A flat fan of triangles on the surface point `centre` facing `normal`, for bare patches.
    void addFan(Vec centre, Vec across, Vec up, int segments, uint16_t material, Vec inside)
    {
        const auto middle = static_cast<uint16_t>(positions_.size());
        positions_.push_back(centre);
        const auto first = static_cast<uint16_t>(positions_.size());
        for (int s = 0; s < segments; ++s) {
            const double a = 2 * 3.14159265358979 * s / segments;
            positions_.push_back(centre + Vec{across.x * std::cos(a) + up.x * std::sin(a),
                                              across.y * std::cos(a) + up.y * std::sin(a),
                                              across.z * std::cos(a) + up.z * std::sin(a)});
        }
        for (int s = 0; s < segments; ++s)
            addOutward({middle, static_cast<uint16_t>(first + s), static_cast<uint16_t>(first + (s + 1) % segments)},
                       material, inside);
    }
    void addMaterial(float r, float g, float b) { materials_.push_back({r, g, b}); }

    std::vector<uint8_t> bytes() const
    {
        std::vector<uint8_t> out;
        auto put32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        auto put16 = [&](uint16_t v) {
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(v >> 8));
        };
        auto putFloat = [&](float f) {
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            put32(bits);
        };
        put32(static_cast<uint32_t>(positions_.size()));
        put32(static_cast<uint32_t>(faces_.size()));
        put32(static_cast<uint32_t>(materials_.size()));
        for (const Vec& p : positions_) {
            putFloat(static_cast<float>(p.x));
            putFloat(static_cast<float>(p.y));
            putFloat(static_cast<float>(p.z));
        }
        for (const Face& face : faces_) {
            put16(static_cast<uint16_t>(face.corners.size()));
            for (uint16_t c : face.corners) put16(c);
            put16(face.material);
        }
        for (const auto& m : materials_)
            for (float c : m) putFloat(c);
        return out;
    }

private:
    // Keeps the corner order when the face's normal points away from `inside`, else reverses it.
    void addOutward(std::vector<uint16_t> corners, uint16_t material, Vec inside)
    {
        const Vec a = positions_[corners[0]];
        const Vec n = cross(positions_[corners[1]] - a, positions_[corners[2]] - a);
        if (dot(n, a - inside) < 0)
            std::vector<uint16_t>(corners.rbegin(), corners.rend()).swap(corners);
        faces_.push_back({corners, material});
    }

    std::vector<Vec> positions_;
    std::vector<Face> faces_;
    std::vector<std::vector<float>> materials_;
};

// Model units: the effect scales the body by 0.26 and lowers it by 0.35, so the feet stand near
// y = -1.06 (the shadow plane) and the neck meets the head at about y = 2.
Mesh teddyBody()
{
    Mesh body;
    body.addMaterial(0.42f, 0.25f, 0.10f);  // fur
    body.addMaterial(0.70f, 0.52f, 0.30f);  // belly and paws (the effect mixes it with the fur)
    body.addBlob({0, 0.75, 0}, {0.85, 1.2, 0.75}, 8, 0);        // torso
    body.addBlob({0, 0.55, -0.42}, {0.55, 0.8, 0.4}, 6, 1);     // belly
    body.addBlob({0.45, -0.55, -0.1}, {0.38, 0.52, 0.38}, 5, 0);   // legs
    body.addBlob({-0.45, -0.55, -0.1}, {0.38, 0.52, 0.38}, 5, 0);
    body.addBlob({0.45, -0.85, -0.35}, {0.3, 0.2, 0.3}, 4, 1);    // feet
    body.addBlob({-0.45, -0.85, -0.35}, {0.3, 0.2, 0.3}, 4, 1);
    body.addBlob({1.0, 1.05, -0.1}, {0.28, 0.65, 0.28}, 5, 0, 0.5);   // arms, hanging outwards
    body.addBlob({-1.0, 1.05, -0.1}, {0.28, 0.65, 0.28}, 5, 0, -0.5);
    body.addBlob({0, 0.0, 0.72}, {0.2, 0.2, 0.2}, 3, 0);           // tail
    return body;
}

// Model units: scaled by 0.23 and lowered by 0.25, which puts the nose sphere (0, 0.3, -0.275)
// at the snout's tip and the eyes (+-0.1, 0.375, -0.1625) on the face.
Mesh teddyHead()
{
    Mesh head;
    head.addMaterial(0.05f, 0.03f, 0.02f);  // 0: nose pad, bare
    head.addMaterial(0.30f, 0.15f, 0.10f);  // 1: inner ears, bare
    head.addMaterial(0.15f, 0.05f, 0.03f);  // 2: mouth, bare
    head.addMaterial(0.45f, 0.27f, 0.11f);  // 3: head fur
    head.addMaterial(0.72f, 0.55f, 0.33f);  // 4: snout fur
    const Vec centre{0, 2.6, 0};
    head.addBlob(centre, {0.85, 0.8, 0.8}, 10, 3);
    head.addBlob({0, 2.33, -0.72}, {0.4, 0.32, 0.42}, 6, 4);  // snout
    head.addBlob({0.62, 3.3, 0.05}, {0.32, 0.32, 0.13}, 5, 3);  // ears
    head.addBlob({-0.62, 3.3, 0.05}, {0.32, 0.32, 0.13}, 5, 3);
    head.addFan({0, 2.42, -1.15}, {0.15, 0, 0}, {0, 0.1, 0.02}, 8, 0, {0, 2.42, 0});     // nose pad
    head.addFan({0.62, 3.3, -0.09}, {0.2, 0, 0}, {0, 0.2, 0}, 10, 1, {0.62, 3.3, 0.5});   // inner ears
    head.addFan({-0.62, 3.3, -0.09}, {0.2, 0, 0}, {0, 0.2, 0}, 10, 1, {-0.62, 3.3, 0.5});
    head.addFan({0, 2.12, -1.07}, {0.12, 0, 0}, {0, 0.04, -0.01}, 6, 2, {0, 2.2, 0});     // mouth
    return head;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmora-meshgen <staged data folder> [file names...]\n");
        return 1;
    }
    const std::map<std::string, Mesh (*)()> meshes = {{"TEDDY.DAT", teddyBody}, {"TEDHEAD.DAT", teddyHead}};
    std::vector<std::string> names(argv + 2, argv + argc);
    if (names.empty())
        names = {"TEDDY.DAT", "TEDHEAD.DAT"};
    for (const std::string& name : names) {
        const auto recipe = meshes.find(name);
        if (recipe == meshes.end()) {
            std::fprintf(stderr, "velmora-meshgen: no recipe for %s\n", name.c_str());
            return 1;
        }
        const std::string path = std::string(argv[1]) + "/" + name;
        const std::vector<uint8_t> bytes = recipe->second().bytes();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "velmora-meshgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
