// Edit mode's time control: the keys that pause the demo and move it through
// time while the author works on it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

#include "shell/shell_state.h"
#include "clock/time_source.h"
#include "timeline/demo.h"

namespace quadrelume {

// Where a seek to `target` lands: within [0, endTime), so that the frame
// shown is one the timeline plays; 0 for an empty timeline or a NaN.
float clampToTimeline(float target, float endTime);

// How long after a mark Page Up still counts as "at" it and goes to the one
// before, as a chapter key does: a demo that plays on has left the mark it
// was sent to by the time the key is pressed again.
inline constexpr float markLeeway = 0.5f;

// The latest start of a range of `demo` that lies more than markLeeway
// before `t`; 0 when there is none.
float previousMark(const Demo& demo, float t);

// The earliest start of a range of `demo` after `t`, or nothing.
std::optional<float> nextMark(const Demo& demo, float t);

// Carries out the time keys on the clock and traces each change on `trace`:
//   Space            pauses ("Paused:%f") or resumes ("Resumed:%f")
//   Left, Right      seek 1 s back or forward; with Shift, 10 s
//   Page Up, Down    seek to the previous or next mark (range start)
//   Home             seek to 0
// Every seek is clamped by clampToTimeline and traced "Seek:%f -> %f" with
// the reading before it and the time it lands on. A paused demo stays
// paused across seeks.
class EditSession {
public:
    // `clock` is not owned and must outlive the session.
    explicit EditSession(TimeSource& clock, std::FILE* trace = stdout);

    // Carries out `press` on `demo` (null while no timeline has built).
    void press(const TimeKeyPress& press, const Demo* demo);

    // Seeks to `target` seconds, clamped by clampToTimeline to `demo`, and
    // traces it as a seek key does. The overlay's time bar and a sync
    // editor's row changes come here.
    void seekTo(float target, const Demo* demo);

    // Pauses or resumes, as Space does; a pause of a paused demo (or a
    // resume of a playing one) changes and traces nothing. A sync editor's
    // pauses come here.
    void setPaused(bool paused);

    // Carries out every key of timeKeyQueue, oldest first, and empties it.
    // True when there was any.
    bool takeQueuedKeys(const Demo* demo);

    bool paused() const { return paused_; }

    // How many seeks the session has made: a change tells that the demo
    // jumped in time since it was last read.
    std::uint64_t seeks() const { return seeks_; }

private:
    // Seeks from the reading `now` towards `target` within `demo`.
    void seek(float now, float target, const Demo& demo);

    TimeSource& clock_;
    std::FILE* trace_;
    bool paused_ = false;
    std::uint64_t seeks_ = 0;
};

}  // namespace quadrelume
