// BMP and TGA encoding.
#include "tools/texgen/writers.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace velmora::texgen {

namespace {

void put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

}  // namespace

uint8_t toByte(float channel)
{
    return static_cast<uint8_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f));
}

std::vector<uint8_t> encodeBmp24(const Image& image)
{
    const uint32_t rowBytes = (static_cast<uint32_t>(image.width()) * 3 + 3) & ~3u;
    const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(image.height());
    std::vector<uint8_t> out;
    out.reserve(54 + dataBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + dataBytes);  // file size
    put32(out, 0);               // reserved
    put32(out, 54);              // offset of the pixels
    put32(out, 40);              // information header size
    put32(out, static_cast<uint32_t>(image.width()));
    put32(out, static_cast<uint32_t>(image.height()));  // positive: bottom row first
    put16(out, 1);                                      // planes
    put16(out, 24);                                     // bits per pixel
    put32(out, 0);                                      // no compression
    put32(out, dataBytes);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const Pixel& p = image.at(x, y);
            out.insert(out.end(), {toByte(p.b), toByte(p.g), toByte(p.r)});
        }
        out.resize(out.size() + (rowBytes - static_cast<uint32_t>(image.width()) * 3), 0);
    }
    return out;
}

std::vector<uint8_t> encodeTga(const Image& image, int bitsPerPixel)
{
    const bool alpha = bitsPerPixel == 32;
    std::vector<uint8_t> out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(out, static_cast<uint32_t>(image.width()));
    put16(out, static_cast<uint32_t>(image.height()));
    out.push_back(alpha ? 32 : 24);
    out.push_back(alpha ? 8 : 0);  // alpha bits, origin bottom-left
    out.reserve(out.size() + image.pixels().size() * (alpha ? 4 : 3));
    for (const Pixel& p : image.pixels()) {
        out.insert(out.end(), {toByte(p.b), toByte(p.g), toByte(p.r)});
        if (alpha)
            out.push_back(toByte(p.a));
    }
    return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::error_code ec;
    const std::filesystem::path target(path);
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ec);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace velmora::texgen
