// The in-memory file as the Vorbis decoder's data source: stdio-like read,
// seek, close and tell over a FileData's bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "reload/file_data.h"

namespace quadrelume {

// A read position over a file held whole in memory. The file is not owned and
// must outlive the source. Positions outside the file are allowed (as with
// fseek) but never read from.
class MemorySource {
public:
    explicit MemorySource(const FileData* file) : file_(file) {}

    // Copies up to `count` elements of `elementSize` bytes from the position
    // into `buffer`, whole elements only, and moves the position past them.
    // Returns the number of elements copied: 0 at or past the end, before the
    // start, or for an element size of 0.
    std::size_t read(void* buffer, std::size_t elementSize, std::size_t count);

    // Moves the position: SEEK_SET to `offset`, SEEK_CUR by `offset`,
    // SEEK_END to the file size plus `offset`. 0 on success; -1 for any other
    // `whence`, or when the result would not fit in 64 bits, leaving the
    // position unchanged.
    int seek(std::int64_t offset, int whence);

    // Rewinds to the start; always 0.
    int close();

    // The position clamped to [0, file size].
    long tell() const;

    std::int64_t position() const { return position_; }

private:
    const FileData* file_;
    std::int64_t position_ = 0;
};

}  // namespace quadrelume
