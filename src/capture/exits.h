// How quadrelume-capture ends: its exit codes and messages, and the ways out
// of a capture in progress, none of which leaves any of the output behind.
// The publish program, which must not leave half a site behind either, ends
// the same ways under its own name.
#pragma once

#include <string>

namespace quadrelume::capture {

// The name that begins every message: "quadrelume-capture" unless the
// program has set its own, first thing, with setProgramName (`name` must
// live as long as the process).
const char* programName();
void setProgramName(const char* name);

constexpr int exitFailed = 1;
constexpr int exitBadOptions = 2;
constexpr int exitInterrupted = 130;

// Sets the ways out up; call once, first. The libraries' fatal errors end
// the process with their message and exit code 1, never a box. SIGINT,
// SIGTERM and SIGHUP ask shouldStop to stop; a second one ends the process
// at once with 130. A pipe or file that cannot be written any more fails
// the write instead of killing the process. `traceFile` is --trace as
// given, for messages.
void prepareExits(const std::string& traceFile);

// Whether standard error is a terminal, where a progress line shows.
bool progressIsLive();

// Prints "quadrelume-capture: <message>" and the hint to --help; gives 2.
int badOption(const std::string& message);

// Prints "quadrelume-capture: <message>"; gives 1.
int failed(const std::string& message);

// Asked before every frame and while the encoders finish: passes the trace
// on (someone following it sees each frame as it is drawn), and answers
// true, for good, once an interruption has come or the trace cannot be
// written any more (a pipe whose reader has gone).
bool shouldStop();

// After shouldStop answered true: removes the temporary output, says why
// the capture stopped and gives the exit code, 130 for an interruption, 1
// for the trace.
int reportStop();

// reportStop, then the end of the process: for a stop while the encoders
// finish, which nothing can cut short.
[[noreturn]] void leaveNow();

}  // namespace quadrelume::capture
