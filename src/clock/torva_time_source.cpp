#include "clock/torva_time_source.h"

#include <algorithm>
#include <cmath>

#include "platform/time.h"

namespace {

// Milliseconds to seconds: the product with the single-precision factor
// 0.001f, formed in double and rounded to float once.
float toSeconds(std::int64_t ms) { return static_cast<float>(static_cast<double>(ms) * static_cast<double>(0.001f)); }

std::int64_t toMilliseconds(float seconds) {
    const double ms = std::trunc(static_cast<double>(seconds) * 1000.0);
    if (std::isnan(ms)) return 0;
    const auto limit = static_cast<double>(TorvaTimeSource::largestMilliseconds);
    return static_cast<std::int64_t>(std::clamp(ms, -limit, limit));
}

}  // namespace

TorvaTimeSource::TorvaTimeSource(Counter counter)
    : counter_(counter ? std::move(counter) : Counter(quadrelume::platform::milliseconds)), mark_(counter_()) {}

std::int64_t TorvaTimeSource::readingMs() {
    if (!isRunning) return readingMs_;
    const std::uint32_t now = counter_();
    readingMs_ = std::min(readingMs_ + static_cast<std::int64_t>(static_cast<std::uint32_t>(now - mark_)),
                          largestMilliseconds);
    mark_ = now;
    return readingMs_;
}

float TorvaTimeSource::currentTime() { return toSeconds(readingMs()); }

void TorvaTimeSource::seek(float seconds) {
    readingMs_ = toMilliseconds(seconds);
    if (isRunning) mark_ = counter_();
}

void TorvaTimeSource::setRunning(bool running) {
    if (running == isRunning) return;
    if (!running) {
        readingMs();
        isRunning = false;
        return;
    }
    isRunning = true;
    mark_ = counter_();
}
