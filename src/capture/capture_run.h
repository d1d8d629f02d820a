// The frame loop of a capture: the player's per-frame pass at fixed times.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "capture/frame_schedule.h"
#include "capture/frame_sink.h"
#include "capture/progress.h"
#include "timeline/demo.h"

namespace quadrelume::capture {

// How a capture's frame loop ended.
struct CaptureOutcome {
    std::int64_t frames = 0;   // frames rendered and handed to the sink
    bool halted = false;       // the script's halt() ended it
    bool interrupted = false;  // `stop` ended it; the sink was not finished
    std::string error;         // the sink's failure; empty when it wrote everything
};

// Renders the frames of `schedule` one by one as the player's frame pass
// does (viewport over width x height, clear to transparent black,
// Demo::render at the frame's time) into the current framebuffer of the
// headless GL context, reads each back and hands it to `sink` through a
// FramePipeline, so that the sink's work overlaps the rendering. Stops after
// the frame in which the script halts (`running` becomes 0), and before the
// next frame once `stop` answers true or the sink has failed. Then, unless
// stopped, has the sink finish. `progress` (may be null) hears of every
// frame rendered. Given `abandon`, `stop` is also asked while the sink
// finishes (what encoders hold back can take long); should it answer true
// then, `abandon` is called, and it must end the process: the sink is busy
// on another thread, and nothing can cut that short.
// What drawing the buffers' past before the first frame took.
struct CatchUpOutcome {
    std::int64_t frames = 0;   // frames drawn before the first one
    double seconds = 0.0;      // wall-clock time it took
    bool interrupted = false;  // `stop` ended it
};

// Draws, as runCapture draws its frames but handing nothing to a sink, the
// frames before the schedule's first (at its times from - k / rate) that
// the demo's buffers need to show from the first frame on what a capture
// from 0 shows at the same times (catchUpFrameCount). `stop` is asked
// before each frame.
CatchUpOutcome catchUpBuffers(Demo& demo, const FrameSchedule& schedule, int width, int height,
                              const std::function<bool()>& stop);

CaptureOutcome runCapture(Demo& demo, const FrameSchedule& schedule, int width, int height, FrameSink& sink,
                          const std::function<bool()>& stop, Progress* progress, void (*abandon)() = nullptr);

}  // namespace quadrelume::capture
