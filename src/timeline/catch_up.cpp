#include "timeline/catch_up.h"

namespace quadrelume {

std::int64_t catchUpFrameCount(const Demo& demo, const FrameTimes& timeOf) {
    if (demo.buffers.empty()) return 0;
    return catchUpFrameCount(demo.buffers.historyWriters(), timeOf);
}

void drawCatchUp(Demo& demo, std::int64_t count, const FrameTimes& timeOf) {
    for (std::int64_t index = -count; index < 0; ++index) demo.render(timeOf(index));
}

}  // namespace quadrelume
