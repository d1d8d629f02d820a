#include "timeline/catch_up.h"

namespace quadrelume {

std::int64_t catchUpFrameCount(const Demo& demo, const FrameTimes& timeOf) {
    if (demo.buffers.empty()) return 0;
    return catchUpFrameCount(demo.buffers.historyWriters(), timeOf);
}

}  // namespace quadrelume
