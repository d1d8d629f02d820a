#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "shell/shell_state.h"

namespace quadrelume {
namespace {

// A clock that reads whatever the test sets and records seeks.
struct ManualClock : TimeSource {
    void setRunning(bool) override {}
    void seek(float seconds) override { now = seconds; }
    float currentTime() override { return now; }
    float now = 0.0f;
};

// Records the calls of each pass and delivers scripted keys: the strings of
// `typedPerPump` arrive one per pump, as if typed between frames.
struct ScriptedHost : FrameHost {
    void pumpMessages() override {
        calls.push_back("pump");
        if (!typedPerPump.empty()) {
            for (char c : typedPerPump.front()) queueKey(c);
            typedPerPump.pop_front();
        }
    }
    void clear(int width, int height) override {
        calls.push_back("clear " + std::to_string(width) + "x" + std::to_string(height));
    }
    void draw(TimeSource&, float t) override { drawnAt.push_back(t); }
    void present() override {
        calls.push_back("present");
        ++frames;
    }
    void sleep(int ms) override { calls.push_back("sleep " + std::to_string(ms)); }
    void endPass() override { calls.push_back("end"); }

    std::deque<std::string> typedPerPump;
    std::vector<std::string> calls;
    std::vector<float> drawnAt;
    int frames = 0;
};

class FrameLoop : public ::testing::Test {
protected:
    void SetUp() override {
        running = 1;
        keyCount = 0;
        windowWidth = 640;
        windowHeight = 320;
    }
    void TearDown() override {
        running = 1;
        keyCount = 0;
    }
    ManualClock clock;
    ScriptedHost host;
};

TEST_F(FrameLoop, EscapeEndsTheLoopAfterItsPassCompletes) {
    host.typedPerPump = {"\x1b"};
    runFrameLoop(clock, host);
    EXPECT_EQ(running, 0);
    EXPECT_EQ(host.frames, 1);
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"pump", "pump", "clear 640x320", "present", "sleep 1", "end"}));
}

TEST_F(FrameLoop, OneCharacterPerFrameSoEscapeBehindThreeOthersEndsTheFourthFrame) {
    host.typedPerPump = {"abc\x1b"};
    runFrameLoop(clock, host);
    EXPECT_EQ(host.frames, 4);
    EXPECT_EQ(keyCount, 0);
}

TEST_F(FrameLoop, CharactersOtherThanEscapeAreConsumedAndIgnored) {
    host.typedPerPump = {"xy\r\t\b", "", "", "", "", "", "\x1b"};
    runFrameLoop(clock, host);
    EXPECT_EQ(host.frames, 6) << "five ignored characters, one per frame, then Escape arrives";
}

TEST_F(FrameLoop, ClosingTheWindowQueuesEscape) {
    host.typedPerPump = {"", "", ""};
    queueKey(27);  // what the window procedure does on a close request
    runFrameLoop(clock, host);
    EXPECT_EQ(host.frames, 1);
}

TEST_F(FrameLoop, DrawsAtTheTimeReadBeforeThePassAndFollowsTheWindowSize) {
    struct ResizingHost : ScriptedHost {
        void draw(TimeSource& c, float t) override {
            ScriptedHost::draw(c, t);
            static_cast<ManualClock&>(c).now += 0.5f;
            windowWidth = 1024;
            windowHeight = 768;
            if (drawnAt.size() == 3) running = 0;  // as the script's halt does
        }
    } resizing;
    runFrameLoop(clock, resizing);
    EXPECT_EQ(resizing.drawnAt, (std::vector<float>{0.0f, 0.5f, 1.0f}));
    EXPECT_EQ(resizing.frames, 3) << "halt lets its frame complete";
    EXPECT_EQ(resizing.calls[1], "clear 640x320");
    EXPECT_EQ(resizing.calls.back(), "end");
    EXPECT_NE(std::find(resizing.calls.begin(), resizing.calls.end(), "clear 1024x768"), resizing.calls.end());
}

TEST_F(FrameLoop, NotRunningMeansNoPassAtAll) {
    running = 0;
    runFrameLoop(clock, host);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(FrameLoop, ReadKeyWaitsForACharacterPumpingAndSleeping) {
    host.typedPerPump = {"", "", "q"};
    EXPECT_EQ(readKey(host), 'q');
    EXPECT_EQ(host.calls, (std::vector<std::string>{"pump", "sleep 1", "pump", "sleep 1", "pump"}));
}

}  // namespace
}  // namespace quadrelume
