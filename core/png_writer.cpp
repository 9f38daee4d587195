// PNG frame files through libpng, compressed on worker threads.
#include "core/png_writer.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace velmora {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

bool PngWriter::writeFile(const std::string& path, const uint8_t* rgba, int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    // Opaque RGB: the colour buffer's alpha is not part of the picture.
    std::vector<uint8_t> row(size_t(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Level 1 with the Sub and Up filters: a few times faster than the defaults and a little larger.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
    png_write_info(png, info);
    for (int y = height - 1; y >= 0; --y) {  // GL rows are bottom-up
        const uint8_t* in = rgba + size_t(y) * size_t(width) * 4;
        for (int x = 0; x < width; ++x) {
            row[size_t(x) * 3] = in[x * 4];
            row[size_t(x) * 3 + 1] = in[x * 4 + 1];
            row[size_t(x) * 3 + 2] = in[x * 4 + 2];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0 && !std::ferror(file.get());
}

PngWriter::PngWriter(unsigned workers) : limit_(2 * size_t(workers ? workers : 1))
{
    for (unsigned i = 0; i < (workers ? workers : 1); ++i)
        workers_.emplace_back(&PngWriter::work, this);
}

PngWriter::~PngWriter()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    for (std::thread& t : workers_)
        t.join();
}

bool PngWriter::add(const std::string& path, const uint8_t* rgba, int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    Job job{path, std::vector<uint8_t>(rgba, rgba + size_t(width) * size_t(height) * 4), width, height};
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failed_ || queue_.size() < limit_; });
    if (failed_)
        return false;
    queue_.push_back(std::move(job));
    changed_.notify_all();
    return true;
}

bool PngWriter::drain()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.empty() && busy_ == 0; });
    return !failed_;
}

void PngWriter::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return;  // stopping, nothing left
        Job job = std::move(queue_.front());
        queue_.pop_front();
        ++busy_;
        changed_.notify_all();
        lock.unlock();
        const bool ok = writeFile(job.path, job.rgba.data(), job.width, job.height);
        if (!ok)
            std::fprintf(stderr, "capture: cannot write %s\n", job.path.c_str());
        lock.lock();
        --busy_;
        failed_ = failed_ || !ok;
        changed_.notify_all();
    }
}

}  // namespace velmora
