// The ffmpeg process of a video export and its two input pipes: frames into its standard input,
// sound into a second pipe. One implementation per platform sits beside this header:
// ffmpeg_pipes_posix.cpp (a descriptor 3 inherited by ffmpeg) and ffmpeg_pipes_windows.cpp (a
// named pipe that ffmpeg opens by its name).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora {

class FfmpegPipes {
public:
    FfmpegPipes() = default;
    ~FfmpegPipes();
    FfmpegPipes(const FfmpegPipes&) = delete;
    FfmpegPipes& operator=(const FfmpegPipes&) = delete;

    // True when an `ffmpeg` program is on the PATH.
    static bool available();

    // Starts ffmpeg with the command line `arguments` makes from the name of the sound input
    // ("pipe:3" or a named pipe's path). False with the reason in `message` when it cannot run
    // ("ffmpeg not found" when it is not on the PATH).
    bool start(const std::function<std::vector<std::string>(const std::string& soundInput)>& arguments,
               std::string& message);

    // Writes to each pipe (0 frames, 1 sound) what it takes now of data[i] (size[i] bytes, or
    // none when data[i] is null), waiting a short while at most (until one can take some, or
    // wake() is called); written[i] is the count. False once ffmpeg has gone. One writing thread.
    bool write(const uint8_t* const data[2], const size_t size[2], size_t written[2]);
    // Ends a wait in write() (from any thread): more is queued, perhaps for the other pipe.
    void wake();

    // Ends input `i` (0 frames, 1 sound); ffmpeg finishes the file when both are ended.
    void closeInput(int i);
    // Ends an ffmpeg that takes nothing any more.
    void kill();
    // Waits for ffmpeg; true when it succeeded.
    bool wait();

private:
    intptr_t process_ = -1;           // a process id, or the process's handle on Windows
    intptr_t pipes_[2] = {-1, -1};    // write ends: a descriptor, or a handle on Windows
    int wakeFd_ = -1;                 // Linux: an eventfd counting the wake-ups not seen yet
    bool connected_[2] = {};          // Windows: ffmpeg has opened the pipe
};

}  // namespace velmora
