// Assimp import with validation.
#include "tools/zen/model_reader.h"

#include <assimp/postprocess.h>

#include <filesystem>
#include <unordered_set>
#include <vector>

#include "tools/zen/model_checks.h"

namespace velmora::zen {

namespace {

constexpr unsigned kPostProcess = aiProcess_ValidateDataStructure | aiProcess_Triangulate |
                                  aiProcess_GenSmoothNormals | aiProcess_SortByPType;

std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text.empty() ? "unreadable model" : text;
}

// Some of Assimp's readers (Half-Life MDL among them) leave children's parent pointers unset;
// the conversion walks up through them, so they are set from the child lists here. A node met
// twice is left alone: the checks refuse it.
void repairParentLinks(aiNode* root)
{
    std::unordered_set<aiNode*> seen;
    std::vector<aiNode*> pending{root};
    while (!pending.empty() && seen.size() <= ModelLimits::kNodes) {
        aiNode* node = pending.back();
        pending.pop_back();
        if (!node || !seen.insert(node).second || (node->mNumChildren && !node->mChildren))
            continue;
        for (unsigned i = 0; i < node->mNumChildren; ++i)
            if (aiNode* child = node->mChildren[i]; child && !seen.count(child)) {
                child->mParent = node;
                pending.push_back(child);
            }
    }
}

template <typename Read>
bool finish(ModelFile& model, std::string& error, Read&& read)
{
    model.importer = std::make_unique<Assimp::Importer>();
    try {
        model.scene = read(*model.importer);
    } catch (const std::exception& e) {  // Assimp's own parsers may throw, bad_alloc included
        model.scene = nullptr;
        model.importer->FreeScene();
        error = oneLine(e.what());
    }
    if (!model.scene) {
        if (error.empty())
            error = oneLine(model.importer->GetErrorString());
        if (error.find("bad_alloc") != std::string::npos)
            error = "the model asks for more memory than an import may use";
        return false;
    }
    if (model.scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) {
        error = "the model holds no meshes";
        return false;
    }
    repairParentLinks(model.scene->mRootNode);  // the importer's scene is ours to mend
    return checkModel(*model.scene, error);
}

}  // namespace

bool readModel(const std::string& path, ModelFile& model, std::string& error)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) {
        error = "cannot read " + path;
        return false;
    }
    if (size > kMaxModelBytes) {
        error = "the file is larger than " + std::to_string(kMaxModelBytes >> 20) + " MB";
        return false;
    }
    return finish(model, error, [&](Assimp::Importer& importer) {
        return importer.ReadFile(path, kPostProcess);
    });
}

bool readModelFromMemory(const void* data, size_t size, const char* formatHint, ModelFile& model,
                         std::string& error)
{
    if (size > kMaxModelBytes) {
        error = "the model is too large";
        return false;
    }
    return finish(model, error, [&](Assimp::Importer& importer) {
        return importer.ReadFileFromMemory(data, size, kPostProcess, formatHint);
    });
}

}  // namespace velmora::zen
