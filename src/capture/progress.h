// The progress line of a capture on standard error.
#pragma once

#include <chrono>
#include <cstdint>

namespace quadrelume::capture {

// Shows "frame D of T, F fps, M:SS left" on one line of standard error that
// rewrites itself, at most four times a second, when the line is `live`
// (standard error is a terminal); says nothing otherwise. Time runs from
// construction.
class Progress {
public:
    Progress(std::int64_t total, bool live);
    // Removes the line, if shown.
    ~Progress();

    // `done` frames are rendered.
    void frameDone(std::int64_t done);

    // Removes the line so that other text can follow; the next frameDone
    // shows it again.
    void clear();

    double elapsedSeconds() const;

private:
    std::int64_t total_;
    bool live_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastShown_;
};

}  // namespace quadrelume::capture
