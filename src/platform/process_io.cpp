#include "platform/process_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace quadrelume::platform {
namespace {

volatile sig_atomic_t interruptFlag = 0;

void onInterrupt(int signal) {
    interruptFlag = 1;
    // The next request is not ignored: whoever presses Ctrl+C twice means it.
    struct sigaction fallBack {};
    fallBack.sa_handler = SIG_DFL;
    sigemptyset(&fallBack.sa_mask);
    sigaction(signal, &fallBack, nullptr);
}

}  // namespace

bool redirectStandardOutput(const std::string& path) {
    const char* target = path.empty() ? "/dev/null" : path.c_str();
    int file = open(target, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0) return false;
    std::fflush(stdout);
    bool moved = dup2(file, STDOUT_FILENO) >= 0;
    close(file);
    return moved;
}

std::FILE* duplicateStandardOutput() {
    std::fflush(stdout);
    int copy = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return nullptr;
    std::FILE* stream = fdopen(copy, "w");
    if (stream == nullptr) {
        close(copy);
        return nullptr;
    }
    setvbuf(stream, nullptr, _IOLBF, 0);
    return stream;
}

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool interruptRequested() { return interruptFlag != 0; }

int processId() { return static_cast<int>(getpid()); }

bool isWritableDirectory(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
    // Permission bits do not tell (root passes them all, read-only mounts
    // and pseudo file systems ignore them): create a file and remove it.
    std::string probe = path + "/.quadrelume-probe-XXXXXX";
    int file = mkostemp(probe.data(), O_CLOEXEC);
    if (file < 0) return false;
    close(file);
    unlink(probe.c_str());
    return true;
}

}  // namespace quadrelume::platform
