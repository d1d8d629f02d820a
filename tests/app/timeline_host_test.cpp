#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "app/timeline_host.h"
#include "clock/torva_time_source.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

// A clock that only records the seeks it is asked for.
class RecordingClock : public TimeSource {
public:
    void setRunning(bool) override {}
    void seek(float seconds) override { seeks.push_back(seconds); }
    float currentTime() override { return 0.0f; }
    std::vector<float> seeks;
};

struct EndCase {
    float endTime;
    float t;
    bool restarts;
};

TEST(TimelineHost, SeeksToZeroOnlyOncePastTheEnd) {
    const EndCase cases[] = {
        {5.0f, 4.99f, false}, {5.0f, 5.0f, false}, {5.0f, 5.001f, true},
        {0.0f, 0.0f, false},  {0.0f, 0.001f, true}, {0.0f, std::nanf(""), false},
    };
    for (const auto& c : cases) {
        Demo demo(std::tmpfile());
        demo.endTime = c.endTime;
        RecordingClock clock;
        playTimeline(demo, clock, c.t);
        EXPECT_EQ(clock.seeks, c.restarts ? std::vector<float>{0.0f} : std::vector<float>{})
            << c.endTime << " " << c.t;
    }
}

TEST(TimelineHost, WithoutMusicTheTimerClockPlays) {
    testing::TempDir empty;
    DemoClock chosen = chooseClock(empty.file("demo.ogg").c_str());
    EXPECT_EQ(chosen.music, nullptr);
    EXPECT_NE(dynamic_cast<TorvaTimeSource*>(chosen.clock.get()), nullptr);
    EXPECT_LT(chosen.clock->currentTime(), 1.0f) << "and starts at 0";
}

}  // namespace
}  // namespace quadrelume
