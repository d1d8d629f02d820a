// The web page's frame loop: the player's frame pass (the clock, the
// timeline drawn at its time, the clock set back to 0 past the timeline's
// end), once before each repaint of the page, with the page's ways to start
// and stop.
#pragma once

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

    // Plays `demo` on `clock`, which stands at the first frame's time (and
    // stopped, unless `start` is now).
    PagePlayer(std::unique_ptr<Demo> demo, std::unique_ptr<TimeSource> clock, Start start);

    // One frame: fits the canvas to the page, and while playing draws the
    // timeline at the clock's time, setting the clock back to 0 once past
    // the timeline's end; otherwise it keeps the picture it holds, drawing it
    // again (at the same time) only after the canvas changed size. After
    // the frame in which the script says halt, the clock stops and the
    // picture is held. Tells the page its state after each frame drawn.
    void frame();

    // A gesture of the visitor's: the first starts a page that waits for
    // one; the full-screen key switches full screen.
    void gesture(platform::Gesture gesture);

private:
    enum class State { waiting, playing, held, halted };

    std::unique_ptr<Demo> demo_;
    std::unique_ptr<TimeSource> clock_;
    State state_;
    bool drawn_ = false;
    float shownTime_ = 0.0f;
    long frames_ = 0;
};

}  // namespace quadrelume
