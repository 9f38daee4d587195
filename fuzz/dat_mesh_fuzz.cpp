// libFuzzer target for the fur teddy's polygon mesh reader: any bytes as a ".DAT" file. A
// success must give faces whose vertices and materials exist and unit (or zero) normals.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "effects/teddy_mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    velmora::PolyMesh mesh;
    if (!velmora::parsePolyMesh(data, size, mesh))
        return 0;
    if (mesh.materials.size() % 3 != 0)
        __builtin_trap();
    for (const velmora::PolyFace& face : mesh.faces) {
        if (face.material >= mesh.materials.size() / 3)
            __builtin_trap();
        for (uint16_t corner : face.corners)
            if (corner >= mesh.vertices.size())
                __builtin_trap();
    }
    for (const velmora::PolyVertex& v : mesh.vertices) {
        const double l = std::sqrt(double(v.normal[0]) * v.normal[0] + double(v.normal[1]) * v.normal[1] +
                                   double(v.normal[2]) * v.normal[2]);
        if (l != 0 && std::isfinite(l) && std::fabs(l - 1) > 1e-3)
            __builtin_trap();
    }
    return 0;
}
