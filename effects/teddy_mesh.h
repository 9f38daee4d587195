// The fur teddy's polygon mesh (".DAT"): counts, vertex positions, faces and material colours,
// little-endian with no header, and the vertex normals computed from the faces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora {

struct PolyVertex {
    float position[3];
    float normal[3];
};

struct PolyFace {
    std::vector<uint16_t> corners;  // vertex indices, each below the mesh's vertex count
    uint16_t material = 0;          // below the mesh's material count
};

struct PolyMesh {
    std::vector<PolyVertex> vertices;
    std::vector<PolyFace> faces;
    std::vector<float> materials;  // red, green, blue per material, 0..1
};

// Decodes a mesh file held in memory and computes its normals. False, with `mesh` unspecified,
// when a count is negative or runs past the data, or a face names a vertex or material that
// does not exist; nothing is ever read past `size` bytes.
bool parsePolyMesh(const uint8_t* data, size_t size, PolyMesh& mesh);

// Per-vertex normals: the sum of the unit normals of the first triangle of every face using the
// vertex, normalised; a vertex of zero sum keeps (0, 0, 0).
void computeNormals(PolyMesh& mesh);

// Opens the data file `name` and decodes it. A missing, empty or malformed file ends the
// process with exit status -1.
void loadPolyMesh(const char* name, PolyMesh& mesh);

}  // namespace velmora
