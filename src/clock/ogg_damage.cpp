#include "clock/ogg_damage.h"

#include <ogg/ogg.h>

#include <cstring>
#include <map>

namespace quadrelume {

std::vector<DamagedStretch> damagedStretches(const FileData& file) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, file.size);
    std::memcpy(buffer, file.data, static_cast<std::size_t>(file.size));
    ogg_sync_wrote(&sync, file.size);

    std::vector<DamagedStretch> stretches;
    std::map<long, long> nextSequence;  // by serial number
    std::int64_t at = 0;                // where the next page or junk starts
    std::int64_t lastPageEnd = 0;
    bool skipped = false;     // junk since the last page
    bool unplaced = false;    // damage seen; no granule position since
    ogg_page page;
    for (long length; (length = ogg_sync_pageseek(&sync, &page)) != 0;) {
        if (length < 0) {
            at -= length;
            skipped = true;
            continue;
        }
        const long serial = ogg_page_serialno(&page);
        const long sequence = ogg_page_pageno(&page);
        auto expected = nextSequence.find(serial);
        const bool gap = expected != nextSequence.end() && expected->second != sequence;
        nextSequence[serial] = sequence + 1;
        if ((skipped || gap) && !unplaced) {
            stretches.push_back({lastPageEnd, 0});
            unplaced = true;
        }
        skipped = false;
        at += length;
        lastPageEnd = at;
        if (unplaced && ogg_page_granulepos(&page) != -1) {
            stretches.back().to = at;
            unplaced = false;
        }
    }
    if (unplaced) stretches.back().to = lastPageEnd;
    ogg_sync_clear(&sync);
    return stretches;
}

}  // namespace quadrelume
