// ffmpeg's pipes on Linux: frames into its standard input, sound into descriptor 3, both written
// without blocking as poll() says they take more; an eventfd ends the wait when more is queued.
#include "core/ffmpeg_pipes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace velmora {

namespace {
constexpr int kSoundFd = 3;

void closeFd(intptr_t& fd)
{
    if (fd >= 0)
        ::close(static_cast<int>(fd));
    fd = -1;
}
}  // namespace

FfmpegPipes::~FfmpegPipes()
{
    closeInput(0);
    closeInput(1);
    wait();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

bool FfmpegPipes::available()
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

bool FfmpegPipes::start(const std::function<std::vector<std::string>(const std::string&)>& arguments,
                        std::string& message)
{
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        message = std::string("cannot make an event descriptor: ") + std::strerror(errno);
        return false;
    }
    int videoPipe[2], audioPipe[2];
    if (::pipe2(videoPipe, O_CLOEXEC) != 0) {
        message = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(audioPipe, O_CLOEXEC) != 0) {
        message = std::string("cannot make a pipe: ") + std::strerror(errno);
        ::close(videoPipe[0]);
        ::close(videoPipe[1]);
        return false;
    }
    // A wider video pipe takes a whole frame at once (refused quietly above the system limit).
    ::fcntl(videoPipe[1], F_SETPIPE_SZ, 1 << 20);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, videoPipe[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, audioPipe[0], kSoundFd);
    std::vector<std::string> args = arguments("pipe:" + std::to_string(kSoundFd));
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
        ::close(videoPipe[1]);
        ::close(audioPipe[1]);
        return false;
    }
    process_ = pid;
    pipes_[0] = videoPipe[1];
    pipes_[1] = audioPipe[1];
    ::fcntl(videoPipe[1], F_SETFL, O_NONBLOCK);
    ::fcntl(audioPipe[1], F_SETFL, O_NONBLOCK);
    return true;
}

bool FfmpegPipes::write(const uint8_t* const data[2], const size_t size[2], size_t written[2])
{
    // A pipe whose reader has gone reports EPIPE to the writing thread instead of ending the program.
    thread_local const bool signalBlocked = [] {
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        return pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr) == 0;
    }();
    (void)signalBlocked;

    // The wake-up descriptor ends the wait when more is queued: a stream that had nothing to
    // write when the wait began may be the one ffmpeg waits for. The wait is short, so that
    // the writer sees a stall while ffmpeg takes nothing.
    constexpr int kPollMilliseconds = 100;
    pollfd fds[3];
    for (int i = 0; i < 2; ++i) {
        written[i] = 0;
        fds[i] = pollfd{data[i] ? static_cast<int>(pipes_[i]) : -1, POLLOUT, 0};
    }
    fds[2] = pollfd{wakeFd_, POLLIN, 0};
    if (::poll(fds, 3, kPollMilliseconds) < 0)
        return errno == EINTR;
    if (fds[2].revents != 0) {
        uint64_t count;
        [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);  // clears the counter
    }
    for (int i = 0; i < 2; ++i) {
        if (!data[i] || fds[i].revents == 0)
            continue;
        const ssize_t n = ::write(fds[i].fd, data[i], size[i]);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;  // EPIPE: ffmpeg has gone
        if (n > 0)
            written[i] = size_t(n);
    }
    return true;
}

void FfmpegPipes::wake()
{
    const uint64_t one = 1;
    // Fails only when the counter is full, and then a wake-up is waiting anyway.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void FfmpegPipes::closeInput(int i) { closeFd(pipes_[i]); }

void FfmpegPipes::kill()
{
    if (process_ >= 0)
        ::kill(static_cast<pid_t>(process_), SIGKILL);
}

bool FfmpegPipes::wait()
{
    if (process_ < 0)
        return false;
    int status = 0;
    while (::waitpid(static_cast<pid_t>(process_), &status, 0) < 0 && errno == EINTR) {
    }
    process_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace velmora
