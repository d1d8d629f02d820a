#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "clock/torva_time_source.h"

namespace {

// A millisecond counter the test moves by hand.
struct FakeCounter {
    std::uint32_t now = 0;
    TorvaTimeSource::Counter counter() {
        return [this] { return now; };
    }
};

float seconds(std::int64_t ms) { return static_cast<float>(static_cast<double>(ms) * static_cast<double>(0.001f)); }

TEST(TorvaTimeSource, ReadsZeroAtConstructionAndCountsMilliseconds) {
    FakeCounter timer{123456};
    TorvaTimeSource clock(timer.counter());
    EXPECT_EQ(clock.currentTime(), 0.0f);
    timer.now += 1;
    EXPECT_EQ(clock.currentTime(), seconds(1));
    timer.now += 2499;
    EXPECT_EQ(clock.currentTime(), 2.5f);
}

struct WrapCase {
    std::uint32_t start;
    std::uint32_t elapsed;
};

class TorvaWrap : public ::testing::TestWithParam<WrapCase> {};

TEST_P(TorvaWrap, ElapsedTimeSurvivesTheCounterWrapping) {
    FakeCounter timer{GetParam().start};
    TorvaTimeSource clock(timer.counter());
    timer.now += GetParam().elapsed;  // wraps modulo 2^32
    EXPECT_EQ(clock.currentTime(), seconds(static_cast<std::int32_t>(GetParam().elapsed)));
}

INSTANTIATE_TEST_SUITE_P(Counter, TorvaWrap,
                         ::testing::Values(WrapCase{0xFFFFFFFFu, 1}, WrapCase{0xFFFFFC18u, 2000},
                                           WrapCase{0x7FFFFFFFu, 5000}, WrapCase{0xFFFFF000u, 123456},
                                           WrapCase{0u, 86400000u}));

TEST(TorvaTimeSource, SeekMakesTheClockReadTheGivenTime) {
    FakeCounter timer{0xFFFFFF00u};
    TorvaTimeSource clock(timer.counter());
    timer.now += 7000;
    clock.seek(0.0f);
    EXPECT_EQ(clock.currentTime(), 0.0f);
    timer.now += 10;
    EXPECT_EQ(clock.currentTime(), seconds(10));

    clock.seek(42.25f);
    EXPECT_EQ(clock.currentTime(), seconds(42250));
    timer.now += 750;
    EXPECT_EQ(clock.currentTime(), seconds(43000));
}

TEST(TorvaTimeSource, StopHoldsTheReadingAndStartResumesFromIt) {
    FakeCounter timer{1000};
    TorvaTimeSource clock(timer.counter());
    timer.now += 2500;
    clock.setRunning(false);
    EXPECT_FALSE(clock.isRunning);
    timer.now += 60000;  // any pause
    EXPECT_EQ(clock.currentTime(), 2.5f);
    clock.setRunning(false);  // same state: nothing changes
    EXPECT_EQ(clock.currentTime(), 2.5f);

    clock.setRunning(true);
    EXPECT_EQ(clock.currentTime(), 2.5f);
    timer.now += 500;
    EXPECT_EQ(clock.currentTime(), seconds(3000));
    clock.setRunning(true);  // same state: nothing changes
    EXPECT_EQ(clock.currentTime(), seconds(3000));
}

TEST(TorvaTimeSource, SeekWhileStoppedSetsTheHeldReadingAndStartContinuesFromIt) {
    FakeCounter timer{0xFFFFF000u};  // the counter wraps while stopped
    TorvaTimeSource clock(timer.counter());
    timer.now += 2500;
    clock.setRunning(false);
    clock.seek(7.25f);
    EXPECT_EQ(clock.currentTime(), seconds(7250));
    timer.now += 60000;
    EXPECT_EQ(clock.currentTime(), seconds(7250));

    clock.setRunning(true);
    EXPECT_EQ(clock.currentTime(), seconds(7250));
    timer.now += 500;
    EXPECT_EQ(clock.currentTime(), seconds(7750));
}

// Readings past 2^31 ms (24.8 days), reached by running or by a seek, as an
// editing session's Page Down to a late line does.
TEST(TorvaTimeSource, ReadingsPast2To31MillisecondsStayInRange) {
    FakeCounter timer{0x80000000u};
    TorvaTimeSource clock(timer.counter());
    for (int day = 0; day < 30; ++day) {  // the frame loop reads far more often
        timer.now += 86400000u;
        EXPECT_EQ(clock.currentTime(), seconds((day + 1) * std::int64_t{86400000})) << "day " << day + 1;
    }

    clock.seek(2500000.0f);
    EXPECT_EQ(clock.currentTime(), seconds(2500000000));
    timer.now += 3000;
    EXPECT_EQ(clock.currentTime(), seconds(2500003000));
    clock.setRunning(false);
    timer.now += 0xF0000000u;
    clock.setRunning(true);
    timer.now += 1000;
    EXPECT_EQ(clock.currentTime(), seconds(2500004000));

    // Beyond what the clock holds: clamped, never wrapped to the other sign.
    clock.seek(1e30f);
    EXPECT_EQ(clock.currentTime(), seconds(TorvaTimeSource::largestMilliseconds));
    clock.seek(-1e30f);
    EXPECT_EQ(clock.currentTime(), seconds(-TorvaTimeSource::largestMilliseconds));
    clock.seek(std::nanf(""));
    EXPECT_EQ(clock.currentTime(), 0.0f);
}

TEST(TorvaTimeSource, DefaultCounterAdvances) {
    TorvaTimeSource clock;
    float first = clock.currentTime();
    EXPECT_GE(first, 0.0f);
    EXPECT_LT(first, 1.0f);
}

}  // namespace
