// How far back a buffer's image reaches: the frames to draw, unseen, before
// a frame at some time so that its buffers hold what they would hold had the
// demo played from 0 on the same frame grid.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace quadrelume {

// The span [start, end) in which one range that draws a buffer is active.
struct ActiveSpan {
    float start = 0.0f;
    float end = 0.0f;
};

// The spans of the ranges that draw one buffer.
using BufferWriters = std::vector<ActiveSpan>;

// The demo time of frame `index` of a frame grid, frame 0 being the first
// one shown and negative indices the frames before it.
using FrameTimes = std::function<float(std::int64_t index)>;

// How many frames before frame 0 must be drawn, from frame -count to frame
// -1, for frame 0 to see in the buffers what a run from demo time 0 on the
// grid of `timeOf` would have left there. Each buffer of `historyBuffers`
// (those whose previous image some range reads) keeps its past for as long
// as one of its writers is active in every frame, back to the first frame
// in which none was: that frame clears it. The answer is the longest such
// run, counting only frames at or after demo time 0 (where every run
// starts with empty buffers); 0 when no writer is active in frame -1.
std::int64_t catchUpFrameCount(const std::vector<BufferWriters>& historyBuffers, const FrameTimes& timeOf);

}  // namespace quadrelume
