// The clock used when there is no music: a millisecond counter.
#pragma once

#include <cstdint>
#include <functional>

#include "clock/time_source.h"

// Counts milliseconds from a 32-bit counter that wraps around; readings are
// multiples of 0.001 s. Differences are taken modulo 2^32, so a wrap of the
// counter between two readings still gives the elapsed time.
class TorvaTimeSource : public quadrelume::TimeSource {
public:
    using Counter = std::function<std::uint32_t()>;

    // Starts running at 0 s. `counter` defaults to the platform's monotonic
    // millisecond counter; tests pass their own.
    explicit TorvaTimeSource(Counter counter = {});

    void setRunning(bool running) override;
    // Makes the clock read `seconds` (whole milliseconds, truncated). While
    // stopped it holds that reading, and starting again continues from it.
    void seek(float seconds) override;
    float currentTime() override;

    // While running: the counter reading at which the clock read 0.
    // While stopped: the clock's reading in milliseconds.
    std::int32_t baseMs = 0;
    bool isRunning = true;

private:
    Counter counter_;
};
