#include <gtest/gtest.h>

#include <cmath>

#include "shell/shell_state.h"
#include "timeline_test_support.h"

namespace quadrelume {
namespace {

using quadrelume::testing::addScript;
using quadrelume::testing::TracedDemo;

TEST(Demo, WithoutRangesPrintsOnlyTheTimeLine) {
    TracedDemo traced;
    traced.demo.render(1.25f);
    traced.demo.render(0.0f);
    EXPECT_EQ(traced.takeTrace(), "----------------- 1.250000\n----------------- 0.000000\n");
}

struct ActivityCase {
    float start;
    float end;
    float t;
    bool renders;
};

TEST(Demo, RendersRangesInTheirHalfOpenSpan) {
    const ActivityCase cases[] = {
        {2, 4, 2, true},  {2, 4, 3.9f, true}, {2, 4, 4, false}, {2, 4, 1.9f, false},
        {3, 3, 3, false}, {5, 3, 4, false},   {0, 1, std::nanf(""), false},
    };
    for (const auto& c : cases) {
        TracedDemo traced;
        addScript(traced.demo, c.start, c.end, "hit = 1");
        traced.demo.render(c.t);
        EXPECT_EQ(traced.demo.variables.find("hit") != nullptr, c.renders) << c.start << " " << c.end << " " << c.t;
    }
}

TEST(Demo, TracesEveryVariableInByteOrderAfterAllRanges) {
    TracedDemo traced;
    addScript(traced.demo, 0, 10, "b = 1");
    addScript(traced.demo, 0, 10, "b = b * 10");  // later ranges win
    addScript(traced.demo, 0, 1, "Z = [1, [2], []]");
    addScript(traced.demo, 0, 10, "a = a + 1");
    traced.demo.render(0.5f);
    traced.demo.render(2.0f);  // Z's range is over; Z keeps its value
    EXPECT_EQ(traced.takeTrace(),
              "----------------- 0.500000\n"
              "Z = [1.000000,[2.000000],[]]\n"
              "a = 1.000000\n"
              "b = 10.000000\n"
              "----------------- 2.000000\n"
              "Z = [1.000000,[2.000000],[]]\n"
              "a = 2.000000\n"
              "b = 10.000000\n");
}

TEST(Demo, HaltEndsTheLoopOnlyAfterTheFrameIsTraced) {
    TracedDemo traced;
    addScript(traced.demo, 0, 10, "a = halt()");
    addScript(traced.demo, 0, 10, "b = 2");
    running = 1;
    traced.demo.render(1.0f);
    EXPECT_EQ(running, 0);
    EXPECT_EQ(traced.takeTrace(), "----------------- 1.000000\na = 0.000000\nb = 2.000000\n");
}

TEST(TimeRange, ProgressIsZeroForAnEmptyRange) {
    ExpressionRange empty(3, 3, script::compile("a = 1"), nullptr);
    ExpressionRange range(2, 6, script::compile("a = 1"), nullptr);
    EXPECT_EQ(empty.progress(3), 0.0f);
    EXPECT_EQ(range.progress(3), 0.25f);
    EXPECT_EQ(range.progress(6), 1.0f);
}

TEST(ExpressionRange, LinRampsOverTheRunningRange) {
    TracedDemo traced;
    addScript(traced.demo, 4, 8, "a = lin(0, 10)");
    addScript(traced.demo, 4, 4, "e = lin(0, 10)");
    traced.demo.render(4);
    EXPECT_EQ(toText(*traced.demo.variables.find("a")), "0.000000");
    traced.demo.render(6);
    EXPECT_EQ(toText(*traced.demo.variables.find("a")), "5.000000");
    EXPECT_EQ(traced.demo.variables.find("e"), nullptr);
}

}  // namespace
}  // namespace quadrelume
