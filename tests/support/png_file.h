// Reading the player's PNG frames back in tests.
#pragma once

#include <png.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace velmora::testing {

struct Png {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top row first
    const uint8_t* at(int x, int row) const { return &rgb[(static_cast<size_t>(row) * width + x) * 3]; }
};

// False when the file is missing or no PNG.
inline bool readPng(const std::filesystem::path& path, Png& out)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

}  // namespace velmora::testing
