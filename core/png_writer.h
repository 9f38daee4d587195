// PNG frame files written by a small pool of worker threads, so that compressing one frame
// overlaps rendering the next. Memory stays bounded: a few frames wait at most.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora {

class PngWriter {
public:
    // Writes RGBA pixels (rows bottom-up, as GL reads them) as an 8-bit RGB PNG; fast zlib
    // settings, as frame files are many and read once.
    static bool writeFile(const std::string& path, const uint8_t* rgba, int width, int height);

    explicit PngWriter(unsigned workers);
    ~PngWriter();  // waits for the queued frames
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // Queues a copy of the frame for `path`; waits while the queue is full. False (with a
    // message on standard error) once a frame could not be written.
    bool add(const std::string& path, const uint8_t* rgba, int width, int height);
    // Waits until every queued frame is written; false when any failed.
    bool drain();

private:
    struct Job {
        std::string path;
        std::vector<uint8_t> rgba;
        int width = 0, height = 0;
    };
    void work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    unsigned busy_ = 0;
    bool failed_ = false;
    bool stopping_ = false;
    size_t limit_;
    std::vector<std::thread> workers_;
};

}  // namespace velmora
