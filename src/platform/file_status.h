// What the reload layer needs to know about a file on disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quadrelume::platform {

// A snapshot of the properties that change when a file is saved: the
// modification time at full resolution, the size and the file's identity
// (an editor that saves to a temporary file and renames it over the old one
// gives a new identity even when the time and size come out equal).
struct FileStamp {
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::uint64_t size = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path`, or nothing when it cannot be queried.
std::optional<FileStamp> fileStamp(const std::string& path);

}  // namespace quadrelume::platform
