// The frame time and rate the overlay shows.
#pragma once

namespace quadrelume::overlay {

// Averages frame times over spans of about half a second, so that the
// figures stay still long enough to be read and a single slow frame still
// shows in the span that holds it.
class FrameMeter {
public:
    static constexpr double spanSeconds = 0.5;

    // Counts one frame that took `seconds` (from the start of the previous
    // frame to the start of this one).
    void addFrame(double seconds);

    // The mean frame time of the last complete span, in milliseconds, and
    // the frames per second it makes; both 0 until a span is complete.
    double milliseconds() const { return milliseconds_; }
    double framesPerSecond() const { return milliseconds_ > 0.0 ? 1000.0 / milliseconds_ : 0.0; }

private:
    double spanTotal_ = 0.0;
    int spanFrames_ = 0;
    double milliseconds_ = 0.0;
};

}  // namespace quadrelume::overlay
