// Catching a timeline's buffers up with the frames before a frame that is
// not the first: what a capture from the middle of a demo, and an editing
// session after a seek, draw before they show the frame.
#pragma once

#include <cstdint>

#include "render/buffer_history.h"
#include "timeline/demo.h"

namespace quadrelume {

// How many frames before frame 0 of the grid `timeOf` the buffers of `demo`
// need drawn for frame 0 to show what a run from demo time 0 on that grid
// shows (see catchUpFrameCount of the buffer history). 0 for a timeline
// without buffers whose past is read.
std::int64_t catchUpFrameCount(const Demo& demo, const FrameTimes& timeOf);

}  // namespace quadrelume
