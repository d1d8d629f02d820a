#include "capture/progress.h"

#include <cstdio>

namespace quadrelume::capture {

Progress::Progress(std::int64_t total, bool live)
    : total_(total), live_(live), start_(std::chrono::steady_clock::now()), lastShown_(start_) {}

Progress::~Progress() { clear(); }

void Progress::frameDone(std::int64_t done) {
    if (!live_) return;
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - lastShown_ < std::chrono::milliseconds(250) && done < total_) return;
    lastShown_ = now;
    const double seconds = elapsedSeconds();
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    const long left = rate > 0.0 ? static_cast<long>(static_cast<double>(total_ - done) / rate + 0.5) : 0;
    // "\033[K" clears what a longer earlier line left to the right.
    std::fprintf(stderr, "\rframe %lld of %lld, %.1f fps, %ld:%02ld left\033[K", static_cast<long long>(done),
                 static_cast<long long>(total_), rate, left / 60, left % 60);
    std::fflush(stderr);
    shown_ = true;
}

void Progress::clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

double Progress::elapsedSeconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace quadrelume::capture
