// A loaded timeline: its ranges, its variables, its buffers and the
// per-frame pass.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "render/buffer_set.h"
#include "script/variable_table.h"
#include "script/time_range.h"

// The timeline of a demo. Owns its ranges (in file order), its variable
// table and its buffers; a reload builds a new Demo, so variables start
// again at 0, while buffers of the same name and size carry on.
class Demo {
public:
    float endTime = 0.0f;                                   // largest end time of the file
    std::vector<std::unique_ptr<quadrelume::TimeRange>> ranges;  // file order
    quadrelume::VariableTable variables;                     // written by expression ranges
    quadrelume::BufferSet buffers;                           // drawn into and read by effect ranges

    // `trace` receives the per-frame trace; standard output by default.
    explicit Demo(std::FILE* trace = stdout) : traceOutput(trace) {}
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;

    // Appends `range` after the existing ones and takes it over.
    void addRange(std::unique_ptr<quadrelume::TimeRange> range);

    // Renders every range active at `t`, in order (with buffers, after
    // BufferSet::beginFrame; the screen's framebuffer and viewport are bound
    // again after each range that draws into a buffer), then prints the frame's
    // trace: "----------------- %f" with t, then "name = value" for every
    // variable in name order. The trace is formatted into one reused buffer
    // and written with one fwrite and one fflush.
    void render(float t);

    // Redirects the trace (tests, benchmarks).
    void setTraceOutput(std::FILE* trace) { traceOutput = trace; }

private:
    std::FILE* traceOutput;
    std::string traceBuffer;  // reused from frame to frame
};
