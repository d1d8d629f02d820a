#include "app/edit_session.h"

#include <cmath>

namespace quadrelume {
namespace {

using platform::TimeKey;

// Where a seek key goes from `now`, or nothing when it has nowhere to go.
using SeekTarget = std::optional<float> (*)(float now, bool shift, const Demo& demo);

struct SeekBinding {
    TimeKey key;
    SeekTarget target;
};

float step(bool shift) { return shift ? 10.0f : 1.0f; }

constexpr SeekBinding seekBindings[] = {
    {TimeKey::back, [](float now, bool shift, const Demo&) -> std::optional<float> { return now - step(shift); }},
    {TimeKey::forward, [](float now, bool shift, const Demo&) -> std::optional<float> { return now + step(shift); }},
    {TimeKey::previousMark,
     [](float now, bool, const Demo& demo) -> std::optional<float> { return previousMark(demo, now); }},
    {TimeKey::nextMark, [](float now, bool, const Demo& demo) { return nextMark(demo, now); }},
    {TimeKey::start, [](float, bool, const Demo&) -> std::optional<float> { return 0.0f; }},
};

// What the keys see while no timeline has built: nothing to play.
const Demo& emptyDemo() {
    static const Demo* empty = new Demo(nullptr);
    return *empty;
}

}  // namespace

float clampToTimeline(float target, float endTime) {
    if (!(target > 0.0f) || !(endTime > 0.0f)) return 0.0f;
    float last = std::nextafter(endTime, 0.0f);
    return target < last ? target : last;
}

float previousMark(const Demo& demo, float t) {
    float found = 0.0f;
    for (const auto& range : demo.ranges)
        if (range->start < t - markLeeway && range->start > found) found = range->start;
    return found;
}

std::optional<float> nextMark(const Demo& demo, float t) {
    std::optional<float> found;
    for (const auto& range : demo.ranges)
        if (range->start > t && (!found || range->start < *found)) found = range->start;
    return found;
}

EditSession::EditSession(TimeSource& clock, std::FILE* trace) : clock_(clock), trace_(trace) {}

void EditSession::press(const TimeKeyPress& press, const Demo* demo) {
    if (press.key == TimeKey::playPause) {
        setPaused(!paused_);
        return;
    }
    const Demo& timeline = demo != nullptr ? *demo : emptyDemo();
    for (const SeekBinding& binding : seekBindings) {
        if (binding.key != press.key) continue;
        const float now = clock_.currentTime();
        std::optional<float> target = binding.target(now, press.shift, timeline);
        if (target) seek(now, *target, timeline);
        return;
    }
}

void EditSession::seekTo(float target, const Demo* demo) {
    seek(clock_.currentTime(), target, demo != nullptr ? *demo : emptyDemo());
}

void EditSession::seek(float now, float target, const Demo& demo) {
    const float landing = clampToTimeline(target, demo.endTime);
    clock_.seek(landing);
    ++seeks_;
    std::fprintf(trace_, "Seek:%f -> %f\n", now, landing);
}

void EditSession::setPaused(bool paused) {
    if (paused == paused_) return;
    // The time traced is the one the clock holds while paused.
    paused_ = paused;
    if (paused_) clock_.setRunning(false);
    std::fprintf(trace_, paused_ ? "Paused:%f\n" : "Resumed:%f\n", clock_.currentTime());
    if (!paused_) clock_.setRunning(true);
}

bool EditSession::takeQueuedKeys(const Demo* demo) {
    if (timeKeyCount == 0) return false;
    for (int i = 0; i < timeKeyCount; ++i) press(timeKeyQueue[i], demo);
    timeKeyCount = 0;
    return true;
}

}  // namespace quadrelume
