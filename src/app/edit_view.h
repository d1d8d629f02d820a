// What the editing session shows and how its window behaves: the overlay
// over the demo, F1 to show or hide it, F11 to switch between the framed
// window and full screen, and the pointer that works the overlay.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "overlay/overlay.h"
#include "platform/display.h"

class Demo;

namespace quadrelume {

class EditView {
public:
    // Needs the GL context current. Becomes the view that
    // handleEditWindowEvent feeds until it is destroyed.
    EditView();
    ~EditView();
    EditView(const EditView&) = delete;
    EditView& operator=(const EditView&) = delete;

    // Takes the events that are the session's own (the function keys and
    // the pointer) and answers whether the event is used up. Pointer motion
    // is taken and still passed on, for the trace.
    bool take(const platform::WindowEvent& event);

    // The time the author last picked on the time bar, once; the session
    // seeks there before drawing the next frame, as it does for a time key.
    std::optional<float> takeSeek();

    // Draws the overlay after the demo's last range of a frame at `time`;
    // `bufferNote` says what the last jump in time did to the buffers.
    void draw(float time, bool paused, const Demo* demo, const std::string& bufferNote = {});

    bool overlayShown() const { return overlay_.shown(); }

private:
    overlay::Overlay overlay_;
    std::optional<float> seek_;
    std::optional<std::chrono::steady_clock::time_point> lastFrame_;
};

// The editing session's window event handler: the view's events go to the
// live EditView, everything else (and pointer motion) to handleWindowEvent.
void handleEditWindowEvent(const platform::WindowEvent& event);

}  // namespace quadrelume
