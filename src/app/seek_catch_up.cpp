#include "app/seek_catch_up.h"

#include <GLES2/gl2.h>

#include <chrono>
#include <cstdio>

#include "shell/shell_state.h"
#include "timeline/catch_up.h"

namespace quadrelume {

void SeekCatchUp::afterJump(Demo& demo, float t) {
    note_.clear();
    if (demo.buffers.empty()) return;
    demo.buffers.clearAll();
    const FrameTimes timeOf = [t](std::int64_t index) {
        return static_cast<float>(static_cast<double>(t) + static_cast<double>(index) / catchUpFrameRate);
    };
    const std::int64_t count = catchUpFrameCount(demo, timeOf);
    if (count == 0) return;

    // Each frame is finished before the next, so that the time measured so
    // far tells what the rest will take.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    double elapsed = 0.0;
    std::int64_t drawn = 0;
    bool gaveUp = false;
    for (std::int64_t index = -count; index < 0; ++index) {
        demo.render(timeOf(index));
        glFinish();
        ++drawn;
        elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        const double expected = elapsed / static_cast<double>(drawn) * static_cast<double>(count);
        if (index < -1 && (elapsed > catchUpBudgetSeconds || (drawn >= 2 && expected > catchUpBudgetSeconds))) {
            gaveUp = true;
            elapsed = expected;
            break;
        }
    }
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT);

    const double past = static_cast<double>(count) / catchUpFrameRate;
    char text[200];
    if (gaveUp) {
        demo.buffers.clearAll();
        std::snprintf(text, sizeof text,
                      "At %.2f s the buffers start empty: drawing their past (%.1f s of it) would take about %.1f s",
                      static_cast<double>(t), past, elapsed);
    } else {
        std::snprintf(text, sizeof text, "At %.2f s the buffers caught up with %.1f s of their past in %.2f s",
                      static_cast<double>(t), past, elapsed);
    }
    note_ = text;
}

}  // namespace quadrelume
