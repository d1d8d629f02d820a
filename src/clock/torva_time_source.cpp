#include "clock/torva_time_source.h"

#include "platform/time.h"

namespace {

// Milliseconds to seconds: the product with the single-precision factor
// 0.001f, formed in double and rounded to float once.
float toSeconds(std::int32_t ms) { return static_cast<float>(static_cast<double>(ms) * static_cast<double>(0.001f)); }

std::int32_t toMilliseconds(float seconds) {
    return static_cast<std::int32_t>(static_cast<double>(seconds) * 1000.0);
}

}  // namespace

TorvaTimeSource::TorvaTimeSource(Counter counter)
    : counter_(counter ? std::move(counter) : Counter(quadrelume::platform::milliseconds)) {
    baseMs = static_cast<std::int32_t>(counter_());
}

float TorvaTimeSource::currentTime() {
    if (!isRunning) return toSeconds(baseMs);
    std::uint32_t elapsed = counter_() - static_cast<std::uint32_t>(baseMs);
    return toSeconds(static_cast<std::int32_t>(elapsed));
}

void TorvaTimeSource::seek(float seconds) {
    if (!isRunning) {
        baseMs = toMilliseconds(seconds);
        return;
    }
    baseMs = static_cast<std::int32_t>(counter_() - static_cast<std::uint32_t>(toMilliseconds(seconds)));
}

void TorvaTimeSource::setRunning(bool running) {
    if (running == isRunning) return;
    if (!running) {
        std::int32_t reading = toMilliseconds(currentTime());
        baseMs = reading;
        isRunning = false;
        return;
    }
    isRunning = true;
    seek(toSeconds(baseMs));
}
