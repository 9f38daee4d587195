// Texture decoding and TGA output through the texture generator's encoder.
#include "tools/zen/texture_export.h"

#include <stb_image.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tools/texgen/image.h"
#include "tools/texgen/writers.h"
#include "tools/zen/model_checks.h"

namespace velmora::zen {

namespace {

constexpr uintmax_t kMaxImageFileBytes = 64u << 20;

// RGBA bytes, top row first, as decoders and Assimp's texels give them.
texgen::Image imageFromRows(const uint8_t* rgba, int width, int height)
{
    texgen::Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = rgba + (size_t(height - 1 - y) * width + x) * 4;
            image.at(x, y) = {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
        }
    return image;
}

// Compressed image bytes (PNG, JPEG, ...) to an image; false when undecodable or too large.
bool decode(const std::vector<uint8_t>& bytes, texgen::Image& image)
{
    if (bytes.empty() || bytes.size() > kMaxImageFileBytes)
        return false;
    const int length = static_cast<int>(bytes.size());
    int width, height, channels;
    if (!stbi_info_from_memory(bytes.data(), length, &width, &height, &channels) ||
        width <= 0 || height <= 0 || size_t(width) * size_t(height) > ModelLimits::kTexturePixels)
        return false;
    uint8_t* rgba = stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 4);
    if (!rgba)
        return false;
    image = imageFromRows(rgba, width, height);
    stbi_image_free(rgba);
    return true;
}

bool transparent(const texgen::Image& image)
{
    return std::any_of(image.pixels().begin(), image.pixels().end(),
                       [](const texgen::Pixel& p) { return p.a < 1.0f; });
}

}  // namespace

std::string playerTextureName(const std::string& stem, bool transparentImage,
                              const std::set<std::string>& taken)
{
    std::string base;
    for (char c : stem) {
        const char lower = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        const bool kept = (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9');
        if (kept)
            base += lower;
        else if (!base.empty() && base.back() != '-')
            base += '-';
    }
    while (!base.empty() && base.back() == '-')
        base.pop_back();
    if (base.empty())
        base = "texture";
    if (transparentImage)
        base = "alpha-" + base;
    else if (base.rfind("alpha", 0) == 0)
        base = "t-" + base;
    constexpr size_t kLongest = 31 - 4;  // the name with ".tga" fits a script value
    for (int number = 1;; ++number) {
        const std::string suffix = number == 1 ? "" : "-" + std::to_string(number);
        std::string name = base.substr(0, kLongest - suffix.size()) + suffix + ".tga";
        if (!taken.count(name))
            return name;
    }
}

TextureExport::TextureExport(const aiScene& scene, std::filesystem::path modelFolder, std::string sceneName,
                             ImportWarnings& warnings)
    : scene_(scene), folder_(std::move(modelFolder)), sceneName_(std::move(sceneName)), warnings_(warnings)
{
}

bool TextureExport::readSource(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::string relative = path;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const std::filesystem::path given(relative);
    std::vector<std::filesystem::path> candidates;
    const std::filesystem::path inside = given.lexically_normal();
    if (given.is_relative() && !inside.empty() && *inside.begin() != "..")
        candidates.push_back(folder_ / inside);
    if (given.has_filename())
        candidates.push_back(folder_ / given.filename());
    for (const auto& candidate : candidates) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(candidate, ec) ||
            std::filesystem::file_size(candidate, ec) > kMaxImageFileBytes)
            continue;
        std::ifstream in(candidate, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.good() || in.eof())
            return true;
    }
    return false;
}

std::string TextureExport::textureFor(const std::string& path)
{
    if (path.empty())
        return "";
    const auto known = names_.find(path);
    if (known != names_.end())
        return known->second;
    std::string& name = names_[path];

    texgen::Image image;
    std::string stem;
    bool found = false, decoded = false;
    if (const aiTexture* embedded = scene_.GetEmbeddedTexture(path.c_str())) {
        found = true;
        // The scene's name kept short, so that the cut to 31 characters spares the image's own.
        stem = sceneName_.substr(0, 12) + "-" +
               (embedded->mFilename.length ? std::filesystem::path(embedded->mFilename.C_Str()).stem().string()
                                           : "embedded" + path.substr(path[0] == '*' ? 1 : 0));
        if (embedded->mHeight == 0) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(embedded->pcData);
            decoded = decode(std::vector<uint8_t>(bytes, bytes + embedded->mWidth), image);
        } else {
            std::vector<uint8_t> rgba;
            rgba.reserve(size_t(embedded->mWidth) * embedded->mHeight * 4);
            for (size_t i = 0; i < size_t(embedded->mWidth) * embedded->mHeight; ++i) {
                const aiTexel& t = embedded->pcData[i];
                rgba.insert(rgba.end(), {t.r, t.g, t.b, t.a});
            }
            image = imageFromRows(rgba.data(), int(embedded->mWidth), int(embedded->mHeight));
            decoded = true;
        }
    } else {
        std::vector<uint8_t> bytes;
        found = readSource(path, bytes);
        std::string relative = path;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        stem = std::filesystem::path(relative).stem().string();
        decoded = found && decode(bytes, image);
    }
    if (!found) {
        warnings_.add("texture files not found; those maps are left out", path);
        return name;
    }
    if (!decoded) {
        warnings_.add("texture images that cannot be decoded or are too large; those maps are left out", path);
        return name;
    }
    const bool alpha = transparent(image);
    name = playerTextureName(stem, alpha, taken_);
    taken_.insert(name);
    files_.push_back({name, texgen::encodeTga(image, alpha ? 32 : 24)});
    return name;
}

}  // namespace velmora::zen
