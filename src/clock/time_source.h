// The demo clock: the frame loop reads it once per frame and sets it back to
// 0 when the timeline has run past its end.
#pragma once

namespace quadrelume {

class TimeSource {
public:
    virtual ~TimeSource() = default;
    // Starts or stops the clock; a call with the current state changes nothing.
    virtual void setRunning(bool running) = 0;
    // Makes the clock read `seconds` from now on.
    virtual void seek(float seconds) = 0;
    // The clock's reading in seconds.
    virtual float currentTime() = 0;
};

}  // namespace quadrelume
