#include "clock/memory_source.h"

#include <cstdio>
#include <cstring>

namespace quadrelume {

std::size_t MemorySource::read(void* buffer, std::size_t elementSize, std::size_t count) {
    // A position before the start is refused rather than read: the bytes
    // there do not belong to the file.
    if (elementSize == 0 || position_ < 0 || position_ >= file_->size) return 0;
    std::size_t available = static_cast<std::size_t>(file_->size - position_);
    std::size_t whole = available / elementSize;
    if (count > whole) count = whole;
    std::size_t bytes = count * elementSize;
    std::memcpy(buffer, file_->data + position_, bytes);
    position_ += static_cast<std::int64_t>(bytes);
    return count;
}

int MemorySource::seek(std::int64_t offset, int whence) {
    std::int64_t base = 0;
    switch (whence) {
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = position_; break;
        case SEEK_END: base = file_->size; break;
        default: return -1;
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target)) return -1;
    position_ = target;
    return 0;
}

int MemorySource::close() {
    position_ = 0;
    return 0;
}

long MemorySource::tell() const {
    if (position_ < 0) return 0;
    return static_cast<long>(position_ < file_->size ? position_ : file_->size);
}

}  // namespace quadrelume
