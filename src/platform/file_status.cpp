#include "platform/file_status.h"

#include <sys/stat.h>

namespace quadrelume::platform {

std::optional<FileStamp> fileStamp(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    FileStamp stamp;
    stamp.modifiedSeconds = status.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = status.st_mtim.tv_nsec;
    stamp.size = static_cast<std::uint64_t>(status.st_size);
    stamp.device = static_cast<std::uint64_t>(status.st_dev);
    stamp.inode = static_cast<std::uint64_t>(status.st_ino);
    return stamp;
}

}  // namespace quadrelume::platform
