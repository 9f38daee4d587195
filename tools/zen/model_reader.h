// Reads a model through Assimp with the post-processing the ".zen" writer needs (triangles,
// normals where missing), Assimp's own validation, and our checks on top (model_checks.h).
#pragma once

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cstddef>
#include <memory>
#include <string>

namespace velmora::zen {

// Files larger than this are refused before Assimp parses them.
constexpr size_t kMaxModelBytes = 256u << 20;

struct ModelFile {
    std::unique_ptr<Assimp::Importer> importer;  // owns `scene`
    const aiScene* scene = nullptr;              // checked; valid while `importer` lives
};

// False with a one-line reason in `error` when the file cannot be read, fails validation or
// fails our checks.
bool readModel(const std::string& path, ModelFile& model, std::string& error);
// The same for bytes in memory; `formatHint` is an extension such as "gltf" or "obj".
bool readModelFromMemory(const void* data, size_t size, const char* formatHint, ModelFile& model,
                         std::string& error);

}  // namespace velmora::zen
