#include "capture/frame_schedule.h"

#include <gtest/gtest.h>

namespace quadrelume::capture {
namespace {

TEST(FrameSchedule, CountsTheFramesBeforeTheEnd) {
    struct Case {
        double from;
        double to;
        FrameRate rate;
        std::int64_t frames;
    };
    const Case cases[] = {
        {0.0, 1.0, {60, 1}, 60},
        {0.0, 0.1, {30, 1}, 3},  // 0.1 × 30 is 3.0000000000000004 in doubles
        {0.5, 1.5, {30000, 1001}, 30},
        {0.0, 0.001, {60, 1}, 1},
        {2.0, 2.0, {60, 1}, 0},
        {0.0, 40.0, {30000, 1001}, 1199},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frameCount(c.from, c.to, c.rate), c.frames) << c.from << " to " << c.to << " at " << c.rate.numerator;
}

TEST(FrameSchedule, TimesComeFromTheIndexWithoutAccumulating) {
    const FrameSchedule schedule{10.0, {30000, 1001}, 0};
    // An hour in: adding 1001/30000 a hundred thousand times would be off.
    EXPECT_EQ(schedule.offsetOf(107892), 107892.0 * 1001.0 / 30000.0);
    EXPECT_EQ(schedule.timeOf(107892), static_cast<float>(10.0 + 3599.9964));
    EXPECT_EQ(samplesForFrames(30, {30000, 1001}, 44100), 44144);  // 44144.1
    EXPECT_EQ(samplesForFrames(1, {60, 1}, 44100), 735);
}

}  // namespace
}  // namespace quadrelume::capture
