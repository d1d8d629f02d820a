#include "capture/frame_schedule.h"

#include <cmath>

namespace quadrelume::capture {

double FrameSchedule::offsetOf(std::int64_t index) const {
    return static_cast<double>(index * rate.denominator) / static_cast<double>(rate.numerator);
}

float FrameSchedule::timeOf(std::int64_t index) const { return static_cast<float>(from + offsetOf(index)); }

std::int64_t frameCount(double from, double to, FrameRate rate) {
    if (!(from < to)) return 0;
    const FrameSchedule schedule{from, rate, 0};
    // The estimate can be off by one either way where (to - from) × rate
    // lands next to a whole number; the frame times themselves decide.
    double estimate = std::ceil((to - from) * static_cast<double>(rate.numerator) / static_cast<double>(rate.denominator));
    std::int64_t count = estimate < 1.0 ? 1 : static_cast<std::int64_t>(estimate);
    while (count > 1 && !(from + schedule.offsetOf(count - 1) < to)) --count;
    while (from + schedule.offsetOf(count) < to) ++count;
    return count;
}

std::int64_t samplesForFrames(std::int64_t frames, FrameRate rate, int sampleRate) {
    // frames × denominator × sampleRate can pass 2^63 for long captures at
    // odd rates; 128 bits cannot overflow with the option limits.
    const __int128 product = static_cast<__int128>(frames) * rate.denominator * sampleRate;
    return static_cast<std::int64_t>((2 * product + rate.numerator) / (2 * static_cast<__int128>(rate.numerator)));
}

}  // namespace quadrelume::capture
