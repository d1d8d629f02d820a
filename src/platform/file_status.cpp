#include "platform/file_status.h"

#include <sys/stat.h>

namespace quadrelume::platform {
namespace {

FileKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::regular;
    if (S_ISDIR(mode)) return FileKind::folder;
    if (S_ISFIFO(mode)) return FileKind::fifo;
    if (S_ISSOCK(mode)) return FileKind::socket;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::device;
    return FileKind::other;
}

struct KindName {
    FileKind kind;
    const char* name;
};

constexpr KindName kindNames[] = {
    {FileKind::regular, "a regular file"}, {FileKind::folder, "a folder"}, {FileKind::fifo, "a FIFO"},
    {FileKind::socket, "a socket"},        {FileKind::device, "a device"},
};

}  // namespace

std::optional<FileStamp> fileStamp(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    FileStamp stamp;
    stamp.modifiedSeconds = status.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = status.st_mtim.tv_nsec;
    stamp.size = static_cast<std::uint64_t>(status.st_size);
    stamp.device = static_cast<std::uint64_t>(status.st_dev);
    stamp.inode = static_cast<std::uint64_t>(status.st_ino);
    stamp.kind = kindOf(status.st_mode);
    return stamp;
}

const char* kindName(FileKind kind) {
    for (const KindName& known : kindNames)
        if (known.kind == kind) return known.name;
    return "not a regular file";
}

}  // namespace quadrelume::platform
