// The overlay's time bar: where the demo is, where its lines start, which
// of them are active, and a place to click to go elsewhere in time.
#pragma once

#include <optional>
#include <string>
#include <vector>

class Demo;

namespace quadrelume::overlay {

// What the time bar shows in one frame.
struct TimeBarView {
    float time = 0.0f;
    bool paused = false;
    const Demo* demo = nullptr;  // null while no timeline has built
};

// The time at `x` on a bar from `left` that is `width` pixels wide and
// stands for [0, endTime]; clamped to that span.
float timeAtPosition(float x, float left, float width, float endTime);

class TimeBar {
public:
    // Builds the bar as an ImGui window along the bottom of a display
    // `width` x `height` pixels, between NewFrame and Render. Answers the
    // time the author clicked or dragged to on the bar, once per press and
    // then once per frame in which a drag moved.
    std::optional<float> build(const TimeBarView& view, float width, float height);

    // The top edge of the bar's window as last built, in pixels.
    float top() const { return top_; }

private:
    std::string active_;                // reused from frame to frame
    std::vector<unsigned char> marks_;  // per pixel column of the bar, reused
    float top_ = 0.0f;
};

}  // namespace quadrelume::overlay
