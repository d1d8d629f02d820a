#include "capture/frame_schedule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <random>

namespace quadrelume::capture {
namespace {

constexpr std::int64_t second = nanosecondsPerSecond;

TEST(FrameSchedule, CountsTheFramesBeforeTheEnd) {
    struct Case {
        std::int64_t from;
        std::int64_t to;
        FrameRate rate;
        std::int64_t frames;
    };
    const Case cases[] = {
        {0, second, {60, 1}, 60},
        {0, second / 10, {30, 1}, 3},  // 0.1 × 30 is 3.0000000000000004 in doubles
        {second / 2, 3 * second / 2, {30000, 1001}, 30},
        {0, second / 1000, {60, 1}, 1},
        {2 * second, 2 * second, {60, 1}, 0},
        {0, 40 * second, {30000, 1001}, 1199},
        {2002000000, 3003000000, {30000, 1001}, 30},  // 31 when counted in doubles
    };
    for (const Case& c : cases)
        EXPECT_EQ(frameCount(c.from, c.to, c.rate), c.frames) << c.from << " to " << c.to << " at " << c.rate.numerator;
}

TEST(FrameSchedule, TimesComeFromTheIndexWithoutAccumulating) {
    const FrameSchedule schedule{10 * second, {30000, 1001}, 0};
    // An hour in: adding 1001/30000 a hundred thousand times would be off.
    EXPECT_EQ(schedule.offsetOf(107892), 107892.0 * 1001.0 / 30000.0);
    EXPECT_EQ(schedule.timeOf(107892), static_cast<float>(10.0 + 3599.9964));
    // Frames before frame 0, as a buffer's catch-up draws them, down to
    // times before 0.
    EXPECT_EQ(schedule.timeOf(-300), static_cast<float>(10.0 - 10.01));
    EXPECT_EQ((FrameSchedule{0, {30, 1}, 0}.timeOf(-3)), -0.1f);
    EXPECT_EQ(samplesForFrames(30, {30000, 1001}, 44100), 44144);  // 44144.1
    EXPECT_EQ(samplesForFrames(1, {60, 1}, 44100), 735);
}

TEST(FrameSchedule, TimesAreReadExactlyToTheNanosecond) {
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"2.002", 2002000000},   {"3.003", 3003000000}, {"0", 0},           {"007.50", 7500000000},
        {".5", 500000000},       {"5.", 5 * second},    {"1e3", 1000 * second}, {"2.5E-1", 250000000},
        {"1e+1", 10 * second},   {"0.0000000015", 2},   {"0.0000000014999", 1}, {"1e-10", 0},
        {"0.9999999999", second}, {"10000000", 10000000 * second},
        {"2.0020000000000002", 2002000000},  // a double's shortest text: the time it stands for
        {"10000000.000000001", std::nullopt}, {"1e100", std::nullopt}, {"-1", std::nullopt},
        {"-0", std::nullopt},    {"inf", std::nullopt}, {"nan", std::nullopt}, {"", std::nullopt},
        {".", std::nullopt},     {"1e", std::nullopt},  {"1x", std::nullopt}, {" 1", std::nullopt},
        {"1..2", std::nullopt},  {"0x10", std::nullopt},
    };
    for (const auto& [text, nanoseconds] : cases)
        EXPECT_EQ(decimalNanoseconds(text, 10000000 * second), nanoseconds) << text;
    EXPECT_EQ(nanosecondsAtOrAfter(40.0), 40 * second);
    EXPECT_EQ(nanosecondsAtOrAfter(static_cast<float>(0.1)), 100000002) << "0.100000001490116...";
    EXPECT_EQ(nanosecondsAtOrAfter(-1.0), 0);
    EXPECT_EQ(nanosecondsAtOrAfter(INFINITY), std::numeric_limits<std::int64_t>::max());
}

// Sections cut on the frame grid, at times written in decimal, each hold
// their own frames: together exactly the frames of one capture, at its
// times, and the music of each ends on the sample where the next one's
// starts. At the rates people use, and at any the capture program takes.
TEST(FrameSchedule, SectionsOnTheFrameGridJoinWithoutAFrameTwiceOrMissing) {
    std::vector<FrameRate> rates = {{24000, 1001}, {30000, 1001}, {60000, 1001}, {120000, 1001},
                                    {2997, 100},   {24, 1},       {25, 1},       {50, 1}, {1000, 1}, {1, 1}};
    std::mt19937 random(9);
    while (rates.size() < 60) {
        const std::int64_t numerator = 1 + random() % 1000000;
        const std::int64_t denominator = 1 + random() % 1000000;
        const std::int64_t common = std::gcd(numerator, denominator);
        if (numerator >= denominator && numerator <= 1000 * denominator)
            rates.push_back({numerator / common, denominator / common});
    }
    for (const FrameRate& rate : rates) {
        SCOPED_TRACE(std::to_string(rate.numerator) + "/" + std::to_string(rate.denominator));
        // The shortest whole number of frames that lasts a whole number of
        // nanoseconds (1.001 s is 30 frames at 30000/1001), and a section of
        // the longest of those up to two seconds.
        const std::int64_t step = rate.numerator / std::gcd(rate.numerator, rate.denominator * second);
        const std::int64_t frames = std::max<std::int64_t>(1, 2 * rate.numerator / rate.denominator / step) * step;
        const auto length = static_cast<std::int64_t>(__int128(frames) * rate.denominator * second / rate.numerator);
        const FrameSchedule whole{0, rate, frameCount(0, 30 * length, rate)};
        ASSERT_EQ(whole.count, 30 * frames);
        for (std::int64_t j = 0; j < 30; ++j) {
            // The times as they would be typed, read back.
            char from[40];
            char to[40];
            std::snprintf(from, sizeof from, "%lld.%09lld", static_cast<long long>(j * length / second),
                          static_cast<long long>(j * length % second));
            std::snprintf(to, sizeof to, "%lld.%09lld", static_cast<long long>((j + 1) * length / second),
                          static_cast<long long>((j + 1) * length % second));
            const std::int64_t start = *decimalNanoseconds(from, 1000000000 * second);
            const std::int64_t end = *decimalNanoseconds(to, 1000000000 * second);
            const FrameSchedule section{start, rate, frameCount(start, end, rate)};
            ASSERT_EQ(section.count, frames) << from << " to " << to;
            for (std::int64_t i : {std::int64_t(0), frames / 2, frames - 1})
                ASSERT_EQ(section.timeOf(i), whole.timeOf(j * frames + i)) << from << ", frame " << i;
            const FrameSchedule next{end, rate, 0};
            for (int sampleRate : {44100, 48000})
                ASSERT_EQ(section.sampleAt(frames, sampleRate), next.sampleAt(0, sampleRate)) << from << " at " << sampleRate;
        }
    }
}

}  // namespace
}  // namespace quadrelume::capture
