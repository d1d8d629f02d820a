// The player's trace on standard output, passed on frame by frame.
#pragma once

#include <string>
#include <utility>

namespace quadrelume {

// Passes the trace on after each frame, so that whoever follows it sees
// every frame as it is drawn. A trace that cannot be written any more (a
// pipe whose reader has gone, a full disk) ends with one line on standard
// error, and whatever the program prints on standard output afterwards goes
// nowhere: the demo plays on. Failed writes must not kill the process
// (platform::surviveFailedWrites).
class TraceOutput {
public:
    // `name` says where the trace goes, for the message: "--trace FILE" or
    // "standard output".
    explicit TraceOutput(std::string name) : name_(std::move(name)) {}

    // Flushes standard output, and ends the trace once that fails.
    void passOn();

    // Whether the trace has ended.
    bool ended() const { return ended_; }

private:
    std::string name_;
    bool ended_ = false;
};

}  // namespace quadrelume
