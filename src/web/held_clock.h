// The clock of a page that shows one moment: it reads the time it was set
// to, exactly, and never moves. (The timer clock counts whole milliseconds,
// whose conversion to seconds can miss a time such as 12.5 by its last bit.)
#pragma once

#include "clock/time_source.h"

namespace quadrelume {

class HeldClock : public TimeSource {
public:
    // Running or not, it stands still.
    void setRunning(bool) override {}
    void seek(float seconds) override { seconds_ = seconds; }
    float currentTime() override { return seconds_; }

private:
    float seconds_ = 0.0f;
};

}  // namespace quadrelume
