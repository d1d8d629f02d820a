// A span of demo time in which one timeline line acts. It lives with the
// script language, below the renderer and the timeline, because a script's
// built-ins (lin, rtime) read the range they run in, and the renderer's
// effect ranges are ranges too.
#pragma once

#include <string>

#include "script/eval_context.h"

namespace quadrelume {

class VariableTable;

// Base of the timeline's ranges. A range is active at t when
// start <= t < end; the Demo calls `render` in every frame in which it is.
// Ranges are owned by their Demo and destroyed through this base.
class TimeRange {
public:
    VariableTable* variables = nullptr;  // the owning Demo's table, not owned
    EvalContext evalContext;             // used by expression ranges only
    float start = 0.0f;                  // first active time, seconds (inclusive)
    float end = 0.0f;                    // first inactive time, seconds (exclusive)
    int line = -1;                       // the timeline line that made it, from 0; -1 when none did
    std::string action;                  // that line's action, for the editing session to show

    TimeRange(float startTime, float endTime) : start(startTime), end(endTime) {}
    TimeRange(const TimeRange&) = delete;
    TimeRange& operator=(const TimeRange&) = delete;
    virtual ~TimeRange() = default;

    // Does this range's work for demo time `t`.
    virtual void render(float t) = 0;

    // How far `t` lies through the range, (t - start) / (end - start) in
    // float arithmetic; exactly 0 for an empty range.
    float progress(float t) const { return start == end ? 0.0f : (t - start) / (end - start); }

    // Whether the range renders at `t`; a NaN time activates nothing.
    bool isActiveAt(float t) const;
};

}  // namespace quadrelume
