#include "render/buffer_history.h"

namespace quadrelume {
namespace {

// Whether one of `writers` is active at `t`, as a range is: start <= t < end.
bool drawnAt(const BufferWriters& writers, float t) {
    for (const ActiveSpan& span : writers)
        if (t >= span.start && t < span.end) return true;
    return false;
}

}  // namespace

std::int64_t catchUpFrameCount(const std::vector<BufferWriters>& historyBuffers, const FrameTimes& timeOf) {
    std::int64_t longest = 0;
    for (const BufferWriters& writers : historyBuffers) {
        std::int64_t count = 0;
        for (;;) {
            const float t = timeOf(-(count + 1));
            // A NaN time is not at or after 0 either.
            if (!(t >= 0.0f) || !drawnAt(writers, t)) break;
            ++count;
        }
        if (count > longest) longest = count;
    }
    return longest;
}

}  // namespace quadrelume
