// The web page's frame loop: the player's frame pass (the clock, the
// timeline drawn at its time, the clock set back to 0 past the timeline's
// end), once before each repaint of the page, with the page's ways to start
// and stop.
#pragma once

#include <functional>
#include <memory>

#include "clock/time_source.h"
#include "platform_web/page.h"
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
    // stopped, unless `start` is now). Given `later`, a page that waits for
    // a gesture shows its first frame on `clock`, and only in the next
    // frame, once the first is on the page, has `later` make the clock it
    // then waits with (at the first frame's time).
    PagePlayer(std::unique_ptr<Demo> demo, std::unique_ptr<TimeSource> clock, Start start, ClockMaker later = {});

    // One frame: fits the canvas to the page, and while playing draws the
    // timeline at the clock's time, setting the clock back to 0 once past
    // the timeline's end; otherwise it keeps the picture it holds, drawing it
    // again (at the same time) only after the canvas changed size. After
    // the frame in which the script says halt, the clock stops and the
    // picture is held. Tells the page its state after each frame drawn
    // ("loading" after a first frame that waits for its later clock).
    void frame();

    // A gesture of the visitor's: the first starts a page that waits for
    // one; the full-screen key switches full screen.
    void gesture(platform::Gesture gesture);

private:
    enum class State { loading, waiting, playing, held, halted };

    void report();

    std::unique_ptr<Demo> demo_;
    std::unique_ptr<TimeSource> clock_;
    ClockMaker later_;
    State state_;
    bool drawn_ = false;
    float shownTime_ = 0.0f;
    long frames_ = 0;
};

}  // namespace quadrelume
