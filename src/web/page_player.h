// The web page's frame loop: the player's frame pass (the clock, the
// timeline drawn at its time, the clock set back to 0 past the timeline's
// end), once before each repaint of the page, with the page's ways to start
// and stop, and the past that the timeline's buffers need before a frame
// that does not follow the one before.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "clock/time_source.h"
#include "platform_web/page.h"
#include "render/buffer_history.h"
#include "timeline/demo.h"

namespace quadrelume {

class PagePlayer {
public:
    // How the page begins.
    enum class Start {
        // Draw the clock's frame and hold it until the visitor's first
        // gesture starts the clock (and with it the music).
        onGesture,
        // Play at once.
        now,
        // Draw the clock's frame and hold it for good.
        held,
    };

    // What makes the clock that a page waiting for a gesture starts (the
    // music's, which takes a while to decode), stopped.
    using ClockMaker = std::function<std::unique_ptr<TimeSource>()>;

    // Plays `demo` on `clock`, which stands at the first frame's time (and
    // stopped, unless `start` is now). A held frame is frame 0 of `grid`,
    // whose earlier frames are those its buffers' past is drawn at. Given
    // `later`, a page that waits for a gesture shows its first frame on
    // `clock`, and only in the next frame, once the first is on the page,
    // has `later` make the clock it then waits with (at the first frame's
    // time).
    PagePlayer(std::unique_ptr<Demo> demo, std::unique_ptr<TimeSource> clock, Start start, FrameTimes grid,
               ClockMaker later = {});

    // One frame: fits the canvas to the page, and while playing draws the
    // timeline at the clock's time, setting the clock back to 0 and emptying
    // the buffers once past the timeline's end, as the player does;
    // otherwise it keeps the picture it holds, drawing it again (at the
    // same time) only after the canvas changed size. After the frame in
    // which the script says halt, the clock stops and the picture is held.
    // Tells the page its state after each frame drawn ("loading" after a
    // first frame that waits for its later clock).
    //
    // The first frame, and a held picture drawn again, come after the
    // frames of their buffers' past (which the canvas's new size emptied):
    // a held frame after every one of them, at the times of `grid`, as the
    // capture program draws them before its first frame, a few at a time
    // over as many page frames as they take, the canvas kept black
    // meanwhile; any other after those that can be drawn in about a second,
    // as an editing session draws them after a seek (app/seek_catch_up.h),
    // whose note goes to the console.
    void frame();

    // A gesture of the visitor's: the first starts a page that waits for
    // one; the full-screen key switches full screen.
    void gesture(platform::Gesture gesture);

private:
    enum class State { loading, waiting, playing, held, halted };

    // Draws (part of) the past of a frame at `t` that does not follow the
    // last; true once the frame itself may be drawn.
    bool drawPast(float t, bool resized);
    void report();

    std::unique_ptr<Demo> demo_;
    std::unique_ptr<TimeSource> clock_;
    FrameTimes grid_;
    ClockMaker later_;
    State state_;
    bool drawn_ = false;
    float shownTime_ = 0.0f;
    long frames_ = 0;
    // The held frame's past being drawn: its next frame on the grid (below
    // 0) while drawingPast_.
    bool drawingPast_ = false;
    std::int64_t nextPastFrame_ = 0;
};

}  // namespace quadrelume
