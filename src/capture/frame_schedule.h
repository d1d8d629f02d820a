// Which frames a capture renders and at what demo times, and how much audio
// goes with them, in exact arithmetic: sections of a long render that meet
// on the frame grid join with no frame drawn twice or left out.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quadrelume::capture {

// A frame rate as the fraction numerator / denominator frames per second,
// both positive, so that NTSC rates such as 30000/1001 are exact.
struct FrameRate {
    std::int64_t numerator = 60;
    std::int64_t denominator = 1;
};

// Demo times of a capture are held exactly, as whole nanoseconds: a time
// typed with up to nine decimal places is exactly what was typed, so that
// 2.002 is exactly frame 60 of the grid of 30000/1001, where a double lies
// a little below it and counts the frame there as one before.
inline constexpr std::int64_t nanosecondsPerSecond = 1000000000;

// The decimal number `text` ("12", "2.002", ".5", "1e3", "2.5E-1") in
// nanoseconds, rounded to the nearest (half up) where it has more than nine
// places: digits with an optional fraction, then an optional exponent. Nothing
// for anything else (a sign, blanks, "inf"), or a time beyond `largest`
// nanoseconds.
std::optional<std::int64_t> decimalNanoseconds(std::string_view text, std::int64_t largest);

// `nanoseconds` in seconds, the nearest double.
double secondsOf(std::int64_t nanoseconds);

// The first whole nanosecond at or after `seconds` (a timeline's end, say),
// worked out from its exact value, so that a time in nanoseconds lies
// before it exactly when it lies before `seconds`; 0 for anything below 0
// or NaN, the largest count for 9 × 10^9 seconds and more (infinity too).
std::int64_t nanosecondsAtOrAfter(double seconds);

// The frames of a capture: frame i shows the demo at from + i / rate.
struct FrameSchedule {
    std::int64_t from = 0;   // nanoseconds: the demo time of frame 0
    FrameRate rate;
    std::int64_t count = 0;  // frames before the end, see frameCount

    // Seconds from the first frame to frame `index`: index × denominator /
    // numerator, worked out from integers for each frame on its own, so
    // that no rounding error accumulates over a long capture.
    double offsetOf(std::int64_t index) const;

    // The demo time of frame `index`, from + index / rate, as the float that
    // Demo::render takes: the exact sum, rounded to the nearest float once.
    float timeOf(std::int64_t index) const;

    // The sample, at `sampleRate` samples per second counted from demo time
    // 0, that plays at the time of frame `index` (the one whose span holds
    // it): the exact product, rounded down. Frame `count` is where the
    // capture ends, so a section's last sample and the next section's first
    // are always neighbours.
    std::int64_t sampleAt(std::int64_t index, int sampleRate) const;
};

// The number of frames of the span [from, to) (nanoseconds): the smallest c
// with from + c / rate at or after `to`, in exact arithmetic; 0 when `to` is
// not after `from`.
std::int64_t frameCount(std::int64_t from, std::int64_t to, FrameRate rate);

// The number of audio samples at `sampleRate` that last as long as `frames`
// frames at `rate`, rounded to the nearest.
std::int64_t samplesForFrames(std::int64_t frames, FrameRate rate, int sampleRate);

}  // namespace quadrelume::capture
