/* A stand-in for ffmpeg.exe in the Windows tests: reads the frames from standard input and the
 * sound from the input after "-f s16le" (a named pipe) at the same time, to their ends, and writes
 * "frames BYTES\nsound BYTES\n" into the output file (the last argument). */
#include <windows.h>

#include <stdio.h>
#include <string.h>

struct Input {
    HANDLE handle;
    unsigned long long bytes;
};

static DWORD WINAPI drain(LPVOID argument)
{
    struct Input* input = argument;
    static char buffer[1 << 16];
    DWORD count;
    while (ReadFile(input->handle, buffer, sizeof buffer, &count, NULL) && count > 0)
        input->bytes += count;
    return 0;
}

int main(int argc, char** argv)
{
    const char* sound = NULL;
    for (int i = 1; i + 1 < argc; ++i)
        if (strcmp(argv[i], "s16le") == 0)
            for (int j = i; j + 1 < argc; ++j)
                if (strcmp(argv[j], "-i") == 0) {
                    sound = argv[j + 1];
                    break;
                }
    if (!sound || argc < 2)
        return 2;
    struct Input frames = {GetStdHandle(STD_INPUT_HANDLE), 0};
    struct Input audio = {CreateFileA(sound, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL), 0};
    if (audio.handle == INVALID_HANDLE_VALUE)
        return 3;
    HANDLE threads[2] = {CreateThread(NULL, 0, drain, &frames, 0, NULL), CreateThread(NULL, 0, drain, &audio, 0, NULL)};
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    FILE* out = fopen(argv[argc - 1], "wb");
    if (!out)
        return 4;
    fprintf(out, "frames %llu\nsound %llu\n", frames.bytes, audio.bytes);
    return fclose(out) == 0 ? 0 : 5;
}
