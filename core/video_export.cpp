// Video export through one ffmpeg process: frames on its standard input, sound on descriptor 3.
#include "core/video_export.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

extern char** environ;

namespace velmora {

namespace {
// Frames queued ahead of ffmpeg: enough to keep both sides busy, few enough to bound memory.
constexpr size_t kQueuedFrames = 4;
constexpr int kAudioFd = 3;

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
}  // namespace

bool VideoExport::ffmpegAvailable()
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t begin = 0;
    while (begin <= dirs.size()) {
        size_t end = dirs.find(':', begin);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = end > begin ? dirs.substr(begin, end - begin) : ".";
        if (::access((dir + "/ffmpeg").c_str(), X_OK) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

std::vector<std::string> VideoExport::ffmpegArguments(const std::string& path, int width, int height, int fps)
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
            "-i", "pipe:" + std::to_string(kAudioFd),
            "-vf", "vflip", "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p",
            "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", path};
}

std::unique_ptr<VideoExport> VideoExport::start(const std::string& path, int width, int height, int fps,
                                                std::string& message)
{
    int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        message = std::string("cannot make an event descriptor: ") + std::strerror(errno);
        return nullptr;
    }
    int videoPipe[2], audioPipe[2];
    if (::pipe2(videoPipe, O_CLOEXEC) != 0) {
        message = std::string("cannot make a pipe: ") + std::strerror(errno);
        closeFd(wakeFd);
        return nullptr;
    }
    if (::pipe2(audioPipe, O_CLOEXEC) != 0) {
        message = std::string("cannot make a pipe: ") + std::strerror(errno);
        closeFd(wakeFd);
        ::close(videoPipe[0]);
        ::close(videoPipe[1]);
        return nullptr;
    }
    // A wider video pipe takes a whole frame at once (refused quietly above the system limit).
    ::fcntl(videoPipe[1], F_SETPIPE_SZ, 1 << 20);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, videoPipe[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, audioPipe[0], kAudioFd);
    std::vector<std::string> args = ffmpegArguments(path, width, height, fps);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(videoPipe[0]);
    ::close(audioPipe[0]);
    if (error != 0) {
        message = error == ENOENT ? "ffmpeg not found" : std::string("cannot run ffmpeg: ") + std::strerror(error);
        closeFd(wakeFd);
        ::close(videoPipe[1]);
        ::close(audioPipe[1]);
        return nullptr;
    }

    std::unique_ptr<VideoExport> video(new VideoExport(width, height));
    video->wakeFd_ = wakeFd;
    video->pid_ = pid;
    video->video_.fd = videoPipe[1];
    video->audio_.fd = audioPipe[1];
    ::fcntl(videoPipe[1], F_SETFL, O_NONBLOCK);
    ::fcntl(audioPipe[1], F_SETFL, O_NONBLOCK);
    video->writer_ = std::thread(&VideoExport::writeLoop, video.get());
    return video;
}

VideoExport::~VideoExport()
{
    std::string message;
    finish(message);
    closeFd(wakeFd_);
}

void VideoExport::wakeWriter()
{
    const uint64_t one = 1;
    // Fails only when the counter is full, and then a wake-up is waiting anyway.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
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
    wakeWriter();
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
    wakeWriter();
    return true;
}

void VideoExport::setStallLimit(std::chrono::milliseconds limit)
{
    std::lock_guard lock(mutex_);
    stallLimit_ = limit;
}

ssize_t VideoExport::pump(Stream* streams[2], const std::vector<uint8_t>* chunks[2])
{
    // The wake-up descriptor ends the wait when more is queued: a stream that had nothing to
    // write when the wait began may be the one ffmpeg waits for. The wait is short, so that
    // the writer sees a stall while ffmpeg takes nothing.
    constexpr int kPollMilliseconds = 100;
    pollfd fds[3];
    for (int i = 0; i < 2; ++i)
        fds[i] = pollfd{streams[i] ? streams[i]->fd : -1, POLLOUT, 0};
    fds[2] = pollfd{wakeFd_, POLLIN, 0};
    if (::poll(fds, 3, kPollMilliseconds) < 0)
        return errno == EINTR ? 0 : -1;
    if (fds[2].revents != 0) {
        uint64_t count;
        [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);  // clears the counter
    }
    ssize_t written = 0;
    for (int i = 0; i < 2; ++i) {
        Stream* s = streams[i];
        if (!s || fds[i].revents == 0)
            continue;
        const std::vector<uint8_t>& chunk = *chunks[i];
        const ssize_t n = ::write(s->fd, chunk.data() + s->written, chunk.size() - s->written);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return -1;  // EPIPE: ffmpeg has gone
        if (n > 0) {
            s->written += size_t(n);
            written += n;
        }
    }
    return written;
}

void VideoExport::writeLoop()
{
    // A pipe whose reader has gone reports EPIPE to this thread instead of ending the program.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

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
            for (Stream* s : {&video_, &audio_}) {
                if (s->queue.empty())
                    closeFd(s->fd);
            }
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
        const std::vector<uint8_t>* chunks[2] = {pending[0] ? &video_.queue.front() : nullptr,
                                                 pending[1] ? &audio_.queue.front() : nullptr};
        lock.unlock();
        const ssize_t written = pump(pending, chunks);
        lock.lock();
        const auto now = Clock::now();
        if (written > 0)
            lastProgress = now;
        else if (written == 0 && now - lastProgress >= stallLimit_)
            stalled_ = true;
        if (written < 0 || stalled_) {
            broken_ = true;
            video_.queue.clear();
            audio_.queue.clear();
            changed_.notify_all();
            break;
        }
    }
    closeFd(video_.fd);
    closeFd(audio_.fd);
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
    wakeWriter();
    if (writer_.joinable())
        writer_.join();
    // An ffmpeg that stopped reading would never end by itself either.
    if (stalled_)
        ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    made_ = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !broken_;
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
