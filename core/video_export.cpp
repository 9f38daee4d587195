// Video export through one ffmpeg process: frames and sound queued for a writer thread that feeds
// its two input pipes (core/ffmpeg_pipes.h).
#include "core/video_export.h"

#include <cstdio>

namespace velmora {

namespace {
// Frames queued ahead of ffmpeg: enough to keep both sides busy, few enough to bound memory.
constexpr size_t kQueuedFrames = 4;
}  // namespace

bool VideoExport::ffmpegAvailable() { return FfmpegPipes::available(); }

std::vector<std::string> VideoExport::ffmpegArguments(const std::string& path, int width, int height, int fps,
                                                      const std::string& soundInput)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    // Both inputs are raw with their formats given: ffmpeg must not read ahead to probe them, as
    // the sound of a frame only exists once that frame is drawn (it would wait for more sound
    // while the frames wait for it).
    // x264 at "veryfast" keeps up with the renderer on two cores; CRF 18 keeps flashes and
    // gradients free of banding and blocks. The index goes to the front (faststart) so that
    // players can start before the whole file has arrived.
    return {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
            "-f", "rawvideo", "-pix_fmt", "rgba", "-s", size, "-framerate", std::to_string(fps),
            "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64", "-i", "pipe:0",
            "-f", "s16le", "-ar", "44100", "-ac", "2",
            "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64",
            "-i", soundInput,
            "-vf", "vflip", "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p",
            "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", path};
}

std::unique_ptr<VideoExport> VideoExport::start(const std::string& path, int width, int height, int fps,
                                                std::string& message)
{
    std::unique_ptr<VideoExport> video(new VideoExport(width, height));
    const auto arguments = [&](const std::string& soundInput) {
        return ffmpegArguments(path, width, height, fps, soundInput);
    };
    if (!video->pipes_.start(arguments, message))
        return nullptr;
    video->writer_ = std::thread(&VideoExport::writeLoop, video.get());
    return video;
}

VideoExport::~VideoExport()
{
    std::string message;
    finish(message);
}

bool VideoExport::addFrame(const uint8_t* rgba)
{
    const size_t frameBytes = size_t(width_) * size_t(height_) * 4;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return broken_ || video_.queue.size() < kQueuedFrames; });
    if (broken_ || closing_)
        return false;
    std::vector<uint8_t> frame;
    if (!spare_.empty()) {
        frame = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    frame.assign(rgba, rgba + frameBytes);
    lock.lock();
    video_.queue.push_back(std::move(frame));
    changed_.notify_all();
    pipes_.wake();
    return true;
}

bool VideoExport::addSound(const int16_t* samples, size_t count)
{
    std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(samples),
                               reinterpret_cast<const uint8_t*>(samples + count));
    std::lock_guard lock(mutex_);
    if (broken_ || closing_)
        return false;
    if (!bytes.empty())
        audio_.queue.push_back(std::move(bytes));
    changed_.notify_all();
    pipes_.wake();
    return true;
}

void VideoExport::setStallLimit(std::chrono::milliseconds limit)
{
    std::lock_guard lock(mutex_);
    stallLimit_ = limit;
}

void VideoExport::writeLoop()
{
    using Clock = std::chrono::steady_clock;
    auto lastProgress = Clock::now();
    std::unique_lock lock(mutex_);
    for (;;) {
        // Chunks fully written leave their queue; frame buffers go back for reuse.
        for (Stream* s : {&video_, &audio_}) {
            if (!s->queue.empty() && s->written == s->queue.front().size()) {
                if (s == &video_)
                    spare_.push_back(std::move(s->queue.front()));
                s->queue.pop_front();
                s->written = 0;
                changed_.notify_all();
            }
        }
        // At the end each input closes as soon as it is drained: ffmpeg reads no more sound
        // while its encoder holds back frames, and it lets them go only at the frames' end.
        if (closing_) {
            if (video_.queue.empty())
                pipes_.closeInput(0);
            if (audio_.queue.empty())
                pipes_.closeInput(1);
        }
        Stream* pending[2] = {video_.queue.empty() ? nullptr : &video_, audio_.queue.empty() ? nullptr : &audio_};
        if (!pending[0] && !pending[1]) {
            if (closing_)
                break;
            changed_.wait(lock);
            lastProgress = Clock::now();  // ffmpeg's wait starts with the new data
            continue;
        }
        // Taken under the lock; the chunks themselves stay put while more are queued behind them.
        const uint8_t* data[2] = {};
        size_t size[2] = {}, taken[2] = {};
        for (int i = 0; i < 2; ++i) {
            if (pending[i]) {
                data[i] = pending[i]->queue.front().data() + pending[i]->written;
                size[i] = pending[i]->queue.front().size() - pending[i]->written;
            }
        }
        lock.unlock();
        const bool running = pipes_.write(data, size, taken);
        lock.lock();
        for (int i = 0; i < 2; ++i)
            if (pending[i])
                pending[i]->written += taken[i];
        const auto now = Clock::now();
        if (taken[0] + taken[1] > 0)
            lastProgress = now;
        else if (running && now - lastProgress >= stallLimit_)
            stalled_ = true;
        if (!running || stalled_) {
            broken_ = true;
            video_.queue.clear();
            audio_.queue.clear();
            changed_.notify_all();
            break;
        }
    }
    pipes_.closeInput(0);
    pipes_.closeInput(1);
}

bool VideoExport::finish(std::string& message)
{
    if (finished_) {
        message = failure_;
        return made_;
    }
    finished_ = true;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        changed_.notify_all();
    }
    pipes_.wake();
    if (writer_.joinable())
        writer_.join();
    // An ffmpeg that stopped reading would never end by itself either.
    if (stalled_)
        pipes_.kill();
    made_ = pipes_.wait() && !broken_;
    if (stalled_) {
        char text[96];
        std::snprintf(text, sizeof text, "ffmpeg took no data for %g s, given up",
                      std::chrono::duration<double>(stallLimit_).count());
        failure_ = text;
    } else if (!made_) {
        failure_ = "ffmpeg failed";
    }
    message = failure_;
    return made_;
}

}  // namespace velmora
