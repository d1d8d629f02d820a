// The pointer as the overlay's widgets see it, gathered from the window's
// events between two frames.
#pragma once

#include "platform/display.h"

struct ImGuiIO;

namespace quadrelume::overlay {

// ImGui reads the pointer once per frame as a state (where it is, which
// buttons are down), but a quick click can go down and up between two
// frames. A button pressed since the last frame therefore counts as down
// for that frame, and its release shows from the next one, so no click is
// lost. The keyboard is never handed over: nothing in the overlay takes
// text, so every key stays the session's (the time keys, F1, F11, Escape).
class PointerInput {
public:
    static constexpr int buttonCount = 3;  // left, right, middle

    // Takes in a pointer event (move, button, wheel, leave); ignores others.
    void take(const platform::WindowEvent& event);

    // Writes the pointer state of the frame about to be built into `io`,
    // and starts gathering for the next frame.
    void applyTo(ImGuiIO& io);

    // Forgets buttons held and wheel turns, as when the overlay is hidden
    // and its widgets must not see a press that happened meanwhile.
    void reset();

private:
    bool known_ = false;  // the pointer is over the window
    float x_ = 0.0f;
    float y_ = 0.0f;
    bool down_[buttonCount] = {};
    bool pressedSinceFrame_[buttonCount] = {};
    float wheelX_ = 0.0f;
    float wheelY_ = 0.0f;
};

}  // namespace quadrelume::overlay
