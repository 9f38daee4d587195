// libFuzzer target: any bytes through the scene importer as a model of one of the formats
// authors export (the first byte picks which), then our checks and the conversion to ".zen".
// The model readers are Assimp's own; what they hand over must never crash the conversion.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/zen/model_reader.h"
#include "tools/zen/zen_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kFormats[] = {"obj", "gltf", "glb", "dae", "fbx", "ply", "stl", "3ds", "x"};
    if (size < 1)
        return 0;
    const char* format = kFormats[data[0] % (sizeof kFormats / sizeof kFormats[0])];
    velmora::zen::ModelFile model;
    std::string error;
    if (!velmora::zen::readModelFromMemory(data + 1, size - 1, format, model, error))
        return 0;
    velmora::zen::ImportOptions options;
    options.modelFolder = "/nonexistent";  // external texture files are never found
    (void)velmora::zen::convertScene(*model.scene, options);
    return 0;
}
