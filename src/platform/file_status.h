// What the reload layer needs to know about a file on disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quadrelume::platform {

// What a path names, as far as reading it goes: only a regular file can be
// read whole without waiting for a writer (a FIFO) or for ever (a device).
enum class FileKind { regular, folder, fifo, socket, device, other };

// A snapshot of the properties that change when a file is saved: the
// modification time at full resolution, the size and the file's identity
// (an editor that saves to a temporary file and renames it over the old one
// gives a new identity even when the time and size come out equal), and
// what kind of file it is.
struct FileStamp {
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::uint64_t size = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    FileKind kind = FileKind::regular;

    bool operator==(const FileStamp&) const = default;
    // Whether the two stamps are of the same file, by device and inode.
    bool sameFile(const FileStamp& other) const { return device == other.device && inode == other.inode; }
};

// The stamp of the file at `path`, links followed, or nothing when it cannot
// be queried. Never opens the file, so it never waits on one.
std::optional<FileStamp> fileStamp(const std::string& path);

// "a FIFO", "a folder", "a socket", "a device", "not a regular file" for
// `kind`: what to call a file that is not a regular one, in a message.
const char* kindName(FileKind kind);

}  // namespace quadrelume::platform
