#include "platform/executable_path.h"

#include <unistd.h>

namespace quadrelume::platform {

std::string executablePath() {
    // The kernel keeps the link up to date however the program was started
    // (through PATH, a relative name or a symbolic link).
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) return {};
    return std::string(path, static_cast<std::size_t>(length));
}

}  // namespace quadrelume::platform
