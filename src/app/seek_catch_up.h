// What the editing session does with the buffers when the demo jumps in
// time: their images belong to the frames before the jump, so they start
// empty, and are caught up with the frames before the new time when that
// is quick.
#pragma once

#include <string>

#include "timeline/demo.h"

namespace quadrelume {

// How long drawing a buffer's past after a jump may take before the session
// gives it up and lets the buffer start empty, seconds.
inline constexpr double catchUpBudgetSeconds = 1.0;

// The frame rate at which the past is drawn, frames per second: that of
// most displays.
inline constexpr double catchUpFrameRate = 60.0;

class SeekCatchUp {
public:
    // After the demo jumped to `t` (a time key, the time bar, a sync
    // editor): every buffer is emptied; then the frames of the buffers' past
    // (catchUpFrameCount at catchUpFrameRate) are drawn, unseen, unless
    // they would take longer than catchUpBudgetSeconds, in which case the
    // buffers start empty after all. Clears the screen again afterwards, so
    // that the frame at `t` is drawn on a clear one. Needs the GL context
    // current.
    void afterJump(Demo& demo, float t);

    // What the last jump did to the buffers, in a sentence for the overlay;
    // empty when it had no past to draw.
    const std::string& note() const { return note_; }

private:
    std::string note_;
};

}  // namespace quadrelume
