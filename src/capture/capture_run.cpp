#include "capture/capture_run.h"

#include <GLES2/gl2.h>

#include <chrono>
#include <cstdlib>

#include "shell/shell_state.h"
#include "capture/frame_pipeline.h"
#include "platform/headless_gl.h"
#include "timeline/catch_up.h"

namespace quadrelume::capture {

CatchUpOutcome catchUpBuffers(Demo& demo, const FrameSchedule& schedule, int width, int height,
                              const std::function<bool()>& stop) {
    CatchUpOutcome outcome;
    const FrameTimes timeOf = [&schedule](std::int64_t index) { return schedule.timeOf(index); };
    const std::int64_t count = catchUpFrameCount(demo, timeOf);
    const auto started = std::chrono::steady_clock::now();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (std::int64_t index = -count; index < 0; ++index) {
        if (stop()) {
            outcome.interrupted = true;
            break;
        }
        glViewport(0, 0, width, height);
        glClear(GL_COLOR_BUFFER_BIT);
        demo.render(timeOf(index));
        ++outcome.frames;
    }
    glFinish();
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return outcome;
}

CaptureOutcome runCapture(Demo& demo, const FrameSchedule& schedule, int width, int height, FrameSink& sink,
                          const std::function<bool()>& stop, Progress* progress, void (*abandon)()) {
    CaptureOutcome outcome;
    FramePipeline pipeline(sink, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (std::int64_t i = 0; i < schedule.count; ++i) {
        if (stop()) {
            outcome.interrupted = true;
            return outcome;
        }
        std::uint8_t* pixels = pipeline.acquire();
        if (pixels == nullptr) break;  // the sink failed
        glViewport(0, 0, width, height);
        glClear(GL_COLOR_BUFFER_BIT);
        demo.render(schedule.timeOf(i));
        platform::readHeadlessPixels(pixels);
        pipeline.submit(pixels);
        outcome.frames = i + 1;
        if (progress != nullptr) progress->frameDone(outcome.frames);
        if (running == 0) {
            outcome.halted = true;
            break;
        }
    }
    std::optional<std::string> error = pipeline.finish(abandon != nullptr ? stop : std::function<bool()>());
    if (!error) {
        abandon();
        std::abort();  // it must not return: the sink is still at work
    }
    outcome.error = *error;
    return outcome;
}

}  // namespace quadrelume::capture
