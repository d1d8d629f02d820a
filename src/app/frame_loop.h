// The frame loop: read the clock, take typed keys, draw, present, rest.
#pragma once

#include "clock/time_source.h"

namespace quadrelume {

// What one pass of the loop needs from the display and the system. The real
// program drives the window and GL; tests count and script the calls.
class FrameHost {
public:
    virtual ~FrameHost() = default;
    // Hands pending window events to the window procedure, without waiting.
    virtual void pumpMessages() = 0;
    // Sets the viewport to width x height and clears the frame.
    virtual void clear(int width, int height) = 0;
    // Draws the frame's content at demo time t; may seek the clock.
    virtual void draw(TimeSource& clock, float t) = 0;
    // Presents the frame.
    virtual void present() = 0;
    // Rests about `ms` milliseconds.
    virtual void sleep(int ms) = 0;
    // Runs after the rest, as the last step of a pass (the reload check).
    virtual void endPass() = 0;
};

// Takes the oldest typed character, pumping messages and resting 1 ms at a
// time until there is one.
char readKey(FrameHost& host);

// Runs passes while `running` is non-zero, testing it before the first pass
// and after each complete one. A pass takes at most one typed character;
// Escape (27) ends the loop once the pass is complete.
void runFrameLoop(TimeSource& clock, FrameHost& host);

}  // namespace quadrelume
