#include "platform/process_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quadrelume::platform {
namespace {

volatile sig_atomic_t interruptFlag = 0;
void (*lastWordsHook)() = nullptr;
int interruptedExitCode = 130;

void onInterrupt(int) {
    if (interruptFlag == 0) {
        interruptFlag = 1;
        return;
    }
    // Whoever asks twice means it: now, and still leaving nothing behind.
    if (lastWordsHook != nullptr) lastWordsHook();
    _exit(interruptedExitCode);
}

// Unlinks every entry of the open folder `folder`; whether it found any.
bool emptyFolder(int folder) {
    alignas(8) char buffer[8192];
    bool found = false;
    lseek(folder, 0, SEEK_SET);
    for (;;) {
        ssize_t bytes = getdents64(folder, buffer, sizeof buffer);
        if (bytes <= 0) return found;
        for (ssize_t at = 0; at < bytes;) {
            auto* entry = reinterpret_cast<dirent64*>(buffer + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
            unlinkat(folder, name, 0);
            found = true;
        }
    }
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

void catchInterrupts(void (*lastWords)(), int exitCode) {
    lastWordsHook = lastWords;
    interruptedExitCode = exitCode;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // A second request waits for the first one's handler to return.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signal);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    surviveFailedWrites();
}

void surviveFailedWrites() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int signal : {SIGPIPE, SIGXFSZ}) sigaction(signal, &ignore, nullptr);
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

bool isWritableFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) return !S_ISDIR(status.st_mode) && access(path.c_str(), W_OK) == 0;
    if (errno != ENOENT) return false;
    std::string::size_type slash = path.find_last_of('/');
    return isWritableDirectory(slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash));
}

void removeNow(const char* path) {
    if (path == nullptr || path[0] == '\0') return;
    int folder = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (folder < 0) {
        unlink(path);
        return;
    }
    // A writer may add a file between the last look and the removal of the
    // folder; it adds them far slower than this loop removes them.
    for (int attempt = 0; attempt < 10000; ++attempt) {
        emptyFolder(folder);
        if (rmdir(path) == 0 || errno != ENOTEMPTY) break;
    }
    close(folder);
}

void writeErrorNow(const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        ssize_t written = write(STDERR_FILENO, text, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace quadrelume::platform
