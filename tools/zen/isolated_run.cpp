// Child process with limits around the import.
#include "tools/zen/isolated_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>

namespace velmora::zen {

namespace {

// A model's own numbers decide how much some of Assimp's readers allocate and how long they loop
// before any check of ours can run; these bounds hold whatever the file says.
constexpr rlim_t kExtraAddressSpace = rlim_t(4) << 30;
constexpr int kSeconds = 300;

// The ceiling counts from what the process already maps (a sanitizer maps terabytes of shadow
// memory at start).
void limitAddressSpace()
{
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    if (!(statm >> pages))
        return;
    const rlim_t ceiling = pages * rlim_t(sysconf(_SC_PAGESIZE)) + kExtraAddressSpace;
    const rlimit limit{ceiling, ceiling};
    setrlimit(RLIMIT_AS, &limit);
}

void copyToStandardError(std::FILE* log)
{
    std::rewind(log);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, log)) > 0;)
        std::fwrite(buffer, 1, n, stderr);
}

int fail(const std::string& what, const char* reason)
{
    std::fprintf(stderr, "velmora-zen: %s: %s\n", what.c_str(), reason);
    return 1;
}

}  // namespace

int runIsolated(const std::function<int()>& work, const std::string& what)
{
    std::fflush(nullptr);
    // The child's error stream goes to a file first: when the child dies, whatever a library
    // printed on the way down is dropped for our single line. Its status travels through a pipe:
    // an exit without it is a death, even when a runtime (a sanitizer, say) turned the crash
    // into an ordinary exit with a report.
    std::FILE* log = std::tmpfile();
    int report[2] = {-1, -1};
    const pid_t child = log && pipe(report) == 0 ? fork() : -1;
    if (child < 0) {
        if (log)
            std::fclose(log);
        if (report[0] >= 0) {
            close(report[0]);
            close(report[1]);
        }
        return work();
    }
    if (child == 0) {
        close(report[0]);
        dup2(fileno(log), STDERR_FILENO);
        limitAddressSpace();
        const unsigned char status = static_cast<unsigned char>(work());
        std::fflush(nullptr);
        (void)!write(report[1], &status, 1);
        _exit(status);
    }
    close(report[1]);
    int status = 0;
    for (int waited = 0;; waited += 20) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (done < 0) {
            close(report[0]);
            std::fclose(log);
            return fail(what, "the import was lost");
        }
        if (waited >= kSeconds * 1000) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            close(report[0]);
            std::fclose(log);
            return fail(what, "the import did not finish within 300 seconds");
        }
        usleep(20000);
    }
    unsigned char reported = 0;
    const bool finished = read(report[0], &reported, 1) == 1;
    close(report[0]);
    if (finished && WIFEXITED(status)) {
        copyToStandardError(log);
        std::fclose(log);
        return reported;
    }
    std::fclose(log);
    return fail(what, WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL
                          ? "the import ran out of memory"
                          : "the model reader crashed on this file");
}

}  // namespace velmora::zen
