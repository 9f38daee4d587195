// The conversion's frame: options, names, tracks, the order of the parts, and the files.
#include "tools/zen/zen_import.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "tools/texgen/writers.h"
#include "tools/zen/import_context.h"
#include "tools/zen/model_reader.h"

namespace velmora::zen {

namespace {

// The frame at which Prepare evaluates every track: a key there holds the bind pose.
constexpr float kPrepareFrame = -2000.0f;
// Node poses sampled per conversion at most; longer or busier animations are sampled sparser.
constexpr size_t kSampleBudget = 20000000;

const aiAnimation* chosenAnimation(const aiScene& scene, ImportWarnings& warnings)
{
    for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation& animation = *scene.mAnimations[a];
        if (animation.mNumMeshChannels || animation.mNumMorphMeshChannels)
            warnings.add("mesh and morph-target animation is dropped", animation.mName.C_Str());
        if (a > 0)
            warnings.add("only the first animation is kept; further ones are dropped",
                         animation.mName.C_Str());
    }
    return scene.mNumAnimations ? scene.mAnimations[0] : nullptr;
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// True when the texture may go to `path`: nothing is there, or the same bytes are (the scene
// imported again). Another file of that name (another scene's texture) or a link (which would
// be written through, perhaps out of the folder) only with `force`, which replaces it.
bool mayWriteTexture(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, bool force,
                     std::string& error)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, ec);
    if (force || status.type() == std::filesystem::file_type::not_found)
        return true;
    if (std::filesystem::is_symlink(status)) {
        error = path.string() + " is a symbolic link: not written through (--force replaces it)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> there((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (std::filesystem::is_regular_file(status) && in && there == bytes)
        return true;
    error = path.string() + " exists with other contents, perhaps another scene's texture: not replaced "
                            "(--force replaces it)";
    return false;
}

// Writes a texture as a new file in place of whatever mayWriteTexture allowed there (a link is
// removed, not written through).
bool writeTexture(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec)))
        std::filesystem::remove(path, ec);
    return texgen::writeFile(path.string(), bytes, error);
}

}  // namespace

Conversion::Conversion(const aiScene& sceneIn, const ImportOptions& options)
    : scene(sceneIn),
      animation(chosenAnimation(sceneIn, warnings)),
      textures(sceneIn, options.modelFolder, options.sceneName, warnings)
{
    aiMatrix4x4::Scaling(aiVector3D(options.scale), global_);
    if (!animation.empty()) {
        bool cut;
        frames = animation.sampleFrames(cut);
        if (cut)
            warnings.add("animation beyond ten minutes is cut");
        if (frames.front() <= kPrepareFrame + 1) {
            warnings.add("animation keys before frame -1999 are dropped");
            frames.erase(std::remove_if(frames.begin(), frames.end(),
                                        [](double f) { return f <= kPrepareFrame + 1; }),
                         frames.end());
        }
    }
    const size_t channels = scene.mNumAnimations ? scene.mAnimations[0]->mNumChannels : 0;
    if (channels && frames.size() * channels > kSampleBudget) {
        const size_t step = frames.size() * channels / kSampleBudget + 1;
        std::vector<double> sparse;
        for (size_t i = 0; i < frames.size(); i += step)
            sparse.push_back(frames[i]);
        if (sparse.back() != frames.back())
            sparse.push_back(frames.back());
        frames = std::move(sparse);
        warnings.add("the animation is sampled every " + std::to_string(step) +
                     " frames: it moves too many nodes for too long");
    }
    for (unsigned i = 0; i < scene.mNumCameras; ++i)
        cameraNames_.insert(lowerCase(scene.mCameras[i]->mName.C_Str()));
    std::vector<const aiNode*> pending{scene.mRootNode};
    while (!pending.empty()) {
        const aiNode* node = pending.back();
        pending.pop_back();
        nodesByName_.emplace(node->mName.C_Str(), node);
        pending.insert(pending.end(), node->mChildren, node->mChildren + node->mNumChildren);
    }
}

const aiNode* Conversion::nodeNamed(const aiString& name) const
{
    const auto found = nodesByName_.find(name.C_Str());
    return found == nodesByName_.end() ? nullptr : found->second;
}

std::string Conversion::objectName(const aiString& name, const std::string& fallback, bool isCamera)
{
    std::string out = name.length ? std::string(name.C_Str()) : fallback;
    constexpr size_t kLongest = kChunkNameSize - 1;
    if (out.size() > kLongest) {
        warnings.add("names longer than 63 characters are cut", out);
        out.resize(kLongest);
    }
    if (!isCamera && cameraNames_.count(lowerCase(out))) {
        out = out.substr(0, kLongest - 5) + "-node";
    }
    return out;
}

aiMatrix4x4 Conversion::restWorld(const aiNode& node) const
{
    aiMatrix4x4 world = node.mTransformation;
    for (const aiNode* at = node.mParent; at; at = at->mParent)
        world = at->mTransformation * world;
    return global_ * world;
}

void Conversion::writeTracks(uint32_t id, const std::vector<NodeValues>& poses,
                             const NodeValues& rest, const std::optional<NodeValues>& bind)
{
    std::vector<ChannelTrack> tracks = channelTracks(frames, poses, rest);
    if (bind) {
        // Every channel starts from the bind pose, held (step) until the animation begins.
        static const uint32_t kCodes[9] = {kChannelPositionX, kChannelPositionY, kChannelPositionZ,
                                           kChannelRotationX, kChannelRotationY, kChannelRotationZ,
                                           kChannelScaleX,    kChannelScaleY,    kChannelScaleZ};
        const Vec3f* groups[2][3] = {{&bind->position, &bind->rotation, &bind->scale},
                                     {&rest.position, &rest.rotation, &rest.scale}};
        const float start = frames.empty() ? 0.0f : float(frames.front());
        for (int c = 0; c < 9; ++c) {
            auto value = [&](int which) {
                const Vec3f& v = *groups[which][c / 3];
                return c % 3 == 0 ? v.x : c % 3 == 1 ? v.y : v.z;
            };
            auto found = std::find_if(tracks.begin(), tracks.end(),
                                      [&](const ChannelTrack& t) { return t.channel == kCodes[c]; });
            if (found == tracks.end())
                found = tracks.insert(tracks.end(), {kCodes[c], {{start, value(1), kKeyLinear, kKeyLinear}}});
            found->keys.insert(found->keys.begin(), {kPrepareFrame, value(0), kKeyStep, kKeyStep});
        }
    }
    for (const ChannelTrack& track : tracks)
        builder.animate(id, track.channel, 0, 0, track.keys);
}

ImportResult convertScene(const aiScene& scene, const ImportOptions& options)
{
    Conversion c(scene, options);
    convertMaterials(c);
    collectBones(c);
    convertNodes(c);
    convertViews(c);
    convertSkins(c);
    return {c.builder.finish(), c.textures.files(), c.warnings.lines()};
}

bool importModel(const std::string& modelPath, const std::string& zenPath,
                 const std::string& textureFolder, float scale, bool force,
                 std::vector<std::string>& warnings, std::string& error)
{
    ModelFile model;
    if (!readModel(modelPath, model, error))
        return false;
    ImportOptions options;
    options.scale = scale;
    options.modelFolder = std::filesystem::path(modelPath).parent_path();
    const std::string stem = std::filesystem::path(zenPath).stem().string();
    if (!stem.empty())
        options.sceneName = stem;
    ImportResult result = convertScene(*model.scene, options);
    warnings = std::move(result.warnings);
    // Every texture is checked before anything is written, so a refusal leaves no half import.
    for (const TextureFile& texture : result.textures)
        if (!mayWriteTexture(std::filesystem::path(textureFolder) / texture.name, texture.tga, force, error))
            return false;
    for (const TextureFile& texture : result.textures)
        if (!writeTexture(std::filesystem::path(textureFolder) / texture.name, texture.tga, error))
            return false;
    return texgen::writeFile(zenPath, result.zen, error);
}

}  // namespace velmora::zen
