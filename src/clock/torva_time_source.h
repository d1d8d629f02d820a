// The clock used when there is no music: a millisecond counter.
#pragma once

#include <cstdint>
#include <functional>

#include "clock/time_source.h"

// Counts milliseconds from a 32-bit counter that wraps around; readings are
// multiples of 0.001 s. Differences of the counter are taken modulo 2^32, so
// a wrap between two readings still gives the elapsed time, and they are
// added up in 64 bits: the clock reads right however long it runs and
// whatever time it was sought to, up to largestMilliseconds either way.
class TorvaTimeSource : public quadrelume::TimeSource {
public:
    using Counter = std::function<std::uint32_t()>;

    // The furthest the clock reads from 0, either way: 2^53 ms, some 285,000
    // years, exact in a double. Seeks further are clamped here.
    static constexpr std::int64_t largestMilliseconds = std::int64_t{1} << 53;

    // Starts running at 0 s. `counter` defaults to the platform's monotonic
    // millisecond counter; tests pass their own. The counter must be read
    // (through currentTime, seek or setRunning) at least once per 2^32 ms,
    // some 49 days, as the frame loop does every frame.
    explicit TorvaTimeSource(Counter counter = {});

    void setRunning(bool running) override;
    // Makes the clock read `seconds` (whole milliseconds, truncated; NaN is 0,
    // and beyond ±largestMilliseconds the limit). While stopped it holds that
    // reading, and starting again continues from it.
    void seek(float seconds) override;
    float currentTime() override;

    bool isRunning = true;

private:
    // The reading in milliseconds, brought up to the counter's present
    // while running.
    std::int64_t readingMs();

    Counter counter_;
    // The reading at the counter value `mark_` (while running), or the held
    // reading (while stopped).
    std::int64_t readingMs_ = 0;
    std::uint32_t mark_ = 0;
};
