// ffmpeg's pipes on Windows: two named pipes in non-blocking mode, one opened here as ffmpeg's
// standard input, the other opened by ffmpeg by its name; each write takes what fits.
#include "core/ffmpeg_pipes.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>

namespace velmora {

namespace {

HANDLE handleOf(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

void closeHandle(intptr_t& value)
{
    if (value != -1)
        CloseHandle(handleOf(value));
    value = -1;
}

// One argument as the C runtime of the program started splits its command line: quoted when it
// holds blanks or quotes, backslashes doubled before a quote.
std::string quoted(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + '"';
}

std::string uniquePipeName(const char* role)
{
    static std::atomic<unsigned> count{0};
    return "\\\\.\\pipe\\velmora-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(count++) + "-" +
           role;
}

HANDLE createPipe(const std::string& name, DWORD bufferSize)
{
    return CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE,
                            PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, bufferSize, 0, 0, nullptr);
}

HANDLE inheritable(HANDLE handle)
{
    HANDLE copy = nullptr;
    if (handle && handle != INVALID_HANDLE_VALUE &&
        DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return copy;
    return nullptr;
}

}  // namespace

FfmpegPipes::~FfmpegPipes()
{
    closeInput(0);
    closeInput(1);
    wait();
}

bool FfmpegPipes::available()
{
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "";
    size_t begin = 0;
    while (begin <= dirs.size()) {
        size_t end = dirs.find(';', begin);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = end > begin ? dirs.substr(begin, end - begin) : ".";
        const DWORD attributes = GetFileAttributesA((dir + "\\ffmpeg.exe").c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return true;
        begin = end + 1;
    }
    return false;
}

bool FfmpegPipes::start(const std::function<std::vector<std::string>(const std::string&)>& arguments,
                        std::string& message)
{
    if (!available()) {
        message = "ffmpeg not found";
        return false;
    }
    const std::string videoName = uniquePipeName("frames"), soundName = uniquePipeName("sound");
    HANDLE video = createPipe(videoName, 1 << 20);
    HANDLE sound = createPipe(soundName, 1 << 16);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE input = video == INVALID_HANDLE_VALUE
                       ? INVALID_HANDLE_VALUE
                       : CreateFileA(videoName.c_str(), GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    if (video == INVALID_HANDLE_VALUE || sound == INVALID_HANDLE_VALUE || input == INVALID_HANDLE_VALUE) {
        message = "cannot make a pipe: error " + std::to_string(GetLastError());
        for (HANDLE h : {video, sound, input})
            if (h != INVALID_HANDLE_VALUE)
                CloseHandle(h);
        return false;
    }

    std::string commandLine;
    for (const std::string& argument : arguments(soundName))
        commandLine += (commandLine.empty() ? "" : " ") + quoted(argument);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = inheritable(GetStdHandle(STD_OUTPUT_HANDLE));
    startup.hStdError = inheritable(GetStdHandle(STD_ERROR_HANDLE));
    PROCESS_INFORMATION process = {};
    // Without a console of its own (started by a double click) ffmpeg gets none either, instead
    // of a console window popping up.
    const DWORD flags = GetConsoleWindow() ? 0 : CREATE_NO_WINDOW;
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                        &startup, &process);
    const DWORD error = GetLastError();
    for (HANDLE h : {input, startup.hStdOutput, startup.hStdError})
        if (h)
            CloseHandle(h);
    if (!started) {
        message = "cannot run ffmpeg: error " + std::to_string(error);
        CloseHandle(video);
        CloseHandle(sound);
        return false;
    }
    CloseHandle(process.hThread);
    process_ = reinterpret_cast<intptr_t>(process.hProcess);
    pipes_[0] = reinterpret_cast<intptr_t>(video);
    pipes_[1] = reinterpret_cast<intptr_t>(sound);
    return true;
}

bool FfmpegPipes::write(const uint8_t* const data[2], const size_t size[2], size_t written[2])
{
    bool progress = false;
    for (int i = 0; i < 2; ++i) {
        written[i] = 0;
        if (!data[i])
            continue;
        HANDLE pipe = handleOf(pipes_[i]);
        if (!connected_[i]) {
            // Non-blocking: "listening" until ffmpeg has opened its end.
            connected_[i] = ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
            if (!connected_[i])
                continue;
        }
        DWORD count = 0;
        const DWORD chunk = size[i] > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size[i]);
        if (!WriteFile(pipe, data[i], chunk, &count, nullptr))
            return false;  // the pipe is closing: ffmpeg has gone
        written[i] = count;
        progress = progress || count > 0;
    }
    if (!progress) {
        // Nothing fitted: ffmpeg is busy, or gone.
        if (WaitForSingleObject(handleOf(process_), 1) == WAIT_OBJECT_0)
            return false;
    }
    return true;
}

// write() waits at most a millisecond at a time: nothing to end.
void FfmpegPipes::wake() {}

void FfmpegPipes::closeInput(int i)
{
    // Closing (not disconnecting) lets ffmpeg read what is still in the pipe before its end.
    closeHandle(pipes_[i]);
}

void FfmpegPipes::kill()
{
    if (process_ != -1)
        TerminateProcess(handleOf(process_), 1);
}

bool FfmpegPipes::wait()
{
    if (process_ == -1)
        return false;
    WaitForSingleObject(handleOf(process_), INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(handleOf(process_), &status);
    closeHandle(process_);
    return status == 0;
}

}  // namespace velmora
