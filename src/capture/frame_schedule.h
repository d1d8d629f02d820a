// Which frames a capture renders and at what demo times, and how much audio
// goes with them.
#pragma once

#include <cstdint>

namespace quadrelume::capture {

// A frame rate as the fraction numerator / denominator frames per second,
// both positive, so that NTSC rates such as 30000/1001 are exact.
struct FrameRate {
    std::int64_t numerator = 60;
    std::int64_t denominator = 1;
};

// The frames of a capture: frame i shows the demo at from + i / rate.
struct FrameSchedule {
    double from = 0.0;
    FrameRate rate;
    std::int64_t count = 0;  // frames before `to`, see frameCount

    // Seconds from the first frame to frame `index`: index × denominator /
    // numerator, worked out from integers for each frame on its own, so
    // that no rounding error accumulates over a long capture.
    double offsetOf(std::int64_t index) const;

    // The demo time of frame `index`, from + offsetOf(index), as the float
    // that Demo::render takes.
    float timeOf(std::int64_t index) const;
};

// The number of frames whose time (from + offset, in double) lies before
// `to`: at least 1 when from < to, 0 otherwise.
std::int64_t frameCount(double from, double to, FrameRate rate);

// The number of audio samples at `sampleRate` that last as long as `frames`
// frames at `rate`, rounded to the nearest.
std::int64_t samplesForFrames(std::int64_t frames, FrameRate rate, int sampleRate);

}  // namespace quadrelume::capture
