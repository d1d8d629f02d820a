#include "platform/replace_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quadrelume::platform {
namespace {

// Names tried before giving up, when earlier ones exist (left by a crash,
// or planted).
constexpr int temporaryAttempts = 100;

// Writes all of `bytes` to the open file `file`; false, with errno set, when
// it cannot.
bool writeAll(int file, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(file, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

int longestFileName(const std::string& folder) {
    long longest = pathconf(folder.c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<int>(longest) : 255;
}

std::string temporaryName(const std::string& folder, std::string_view name, std::string_view tail) {
    const std::size_t longest = static_cast<std::size_t>(longestFileName(folder));
    std::size_t keep = name.size();
    if (1 + keep + tail.size() > longest) {
        keep = longest > 1 + tail.size() ? longest - 1 - tail.size() : 0;
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    }
    return "." + std::string(name.substr(0, keep)) + std::string(tail);
}

bool replaceFile(const std::string& path, std::string_view bytes, std::string& error) {
    const std::string::size_type slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string prefix = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    std::string temporary;
    int file = -1;
    for (int attempt = 0; attempt < temporaryAttempts && file < 0; ++attempt) {
        std::string tail = "." + std::to_string(getpid());
        if (attempt > 0) tail += "-" + std::to_string(attempt);
        temporary = prefix + temporaryName(folder, name, tail + ".saving");
        // O_EXCL fails on any name that exists, a link to anywhere included.
        file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file < 0 && errno != EEXIST) break;
    }
    if (file < 0) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool written = writeAll(file, bytes);
    int savedErrno = errno;
    if (close(file) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    if (!written) error = "cannot write " + temporary + ": " + std::strerror(savedErrno);
    else error = "cannot rename " + temporary + " to " + path + ": " + std::strerror(errno);
    unlink(temporary.c_str());
    return false;
}

}  // namespace quadrelume::platform
