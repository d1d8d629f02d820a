// Finding where an Ogg file is damaged, before any of it is decoded.
#pragma once

#include <cstdint>
#include <vector>

#include "reload/file_data.h"

namespace quadrelume {

// A stretch of an Ogg file, in byte offsets, around pages that are missing
// or unreadable: from the end of the last whole page before them to the end
// of the first page after them that carries a granule position. Until that
// page has been read, what decodes after the damage has no known place in
// the music.
struct DamagedStretch {
    std::int64_t from = 0;
    std::int64_t to = 0;
};

// Every damaged stretch of the Ogg data `file`, in file order: bytes
// between pages that are no page (overwritten, or their checksum fails), and
// gaps in the sequence numbers of a stream's pages. Bytes after the last
// page (a tag appended, a cut-off end) are no damage.
std::vector<DamagedStretch> damagedStretches(const FileData& file);

}  // namespace quadrelume
