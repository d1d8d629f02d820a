#include <gtest/gtest.h>

#include "analysis/music_source.h"
#include "timeline/keyframes.h"
#include "timeline/time_builtins.h"
#include "timeline_test_support.h"

namespace quadrelume {
namespace {

using quadrelume::testing::addScript;
using quadrelume::testing::TracedDemo;

// The printed value of `a` after one frame at `t` of a range [start, end).
std::string valueAt(const char* script, float start, float end, float t) {
    TracedDemo traced;
    addScript(traced.demo, start, end, script);
    traced.demo.render(t);
    const Value* a = traced.demo.variables.find("a");
    return a == nullptr ? "<unset>" : toText(*a);
}

TEST(Builtins, AllAreListedLinFirstThenTheOthersThenTheNewerOnes) {
    std::string names;
    for (script::Bif* b = script::builtinList; b != nullptr; b = b->next) names += b->name() + " ";
    EXPECT_EQ(names, "lin halt ltime rtime gtime keyframe level bands track ");
    EXPECT_EQ(keyframeBuiltin.kind, script::TokenKind::Builtin);
}

struct TimeCase {
    const char* script;
    float t;
    const char* value;
};

TEST(TimeBuiltins, ReadTheClockInThreeForms) {
    // A range from 5 to 10.
    const TimeCase cases[] = {
        {"a = gtime()", 7, "7.000000"},        {"a = rtime()", 7, "0.400000"},
        {"a = ltime()", 7, "2.000000"},        {"a = rtime()", 5, "0.000000"},
        {"a = ltime()", 5, "0.000000"},        {"a = gtime(1, [2], 3)", 7, "7.000000"},
        {"a = ltime(9) + rtime([])", 7.5f, "3.000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(valueAt(c.script, 5, 10, c.t), c.value) << c.script << " at " << c.t;
}

TEST(TimeBuiltins, EachRangeSeesItsOwnTimes) {
    TracedDemo traced;
    addScript(traced.demo, 5, 10, "a = [gtime(), rtime(), ltime()]");
    addScript(traced.demo, 6, 8, "b = [gtime(), rtime(), ltime()]");
    traced.demo.render(7);
    EXPECT_EQ(toText(*traced.demo.variables.find("a")), "[7.000000,0.400000,2.000000]");
    EXPECT_EQ(toText(*traced.demo.variables.find("b")), "[7.000000,0.500000,1.000000]");
}

struct KeyframeCase {
    const char* script;
    float start;
    float t;
    const char* value;
};

TEST(Keyframes, InterpolatesBetweenKeysOverLocalTime) {
    const KeyframeCase cases[] = {
        {"a = keyframe()", 0, 3, "0.000000"},
        {"a = keyframe([2, 7])", 0, 0, "7.000000"},
        {"a = keyframe([2, 7])", 0, 9, "7.000000"},
        {"a = keyframe([0, 1], [4, 3])", 10, 10, "1.000000"},
        {"a = keyframe([0, 1], [4, 3])", 10, 12, "2.000000"},
        {"a = keyframe([0, 1], [4, 3])", 10, 14, "3.000000"},
        {"a = keyframe([0, 1], [4, 3])", 10, 19, "3.000000"},
        {"a = keyframe([1, 1], [4, 3])", 10, 10.5f, "1.000000"},
        {"a = keyframe([0, 1, 9], [4, 3, 9])", 10, 12, "2.000000"},
        {"a = keyframe([0, [1, 0, 0]], [4, [0, 1, 0]])", 0, 1, "[0.750000,0.250000,0.000000]"},
        {"a = keyframe([0, [[0, 2], 4]], [2, [[2, 4], 8]])", 0, 1, "[[1.000000,3.000000],6.000000]"},
        {"a = keyframe([0, 0], [2, 10], [2, 20], [4, 40])", 0, 2, "20.000000"},
        {"a = keyframe([0, 0], [2, 10], [4, 40])", 0, 3, "25.000000"},
        {"a = keyframe([0, [1, 5]], [4, [3, [9]]])", 0, 2, "[2.000000,5.000000]"},
        {"a = keyframe([0, [1, 5]], [4, [3]])", 0, 2, "[2.000000,5.000000]"},
        {"a = keyframe([0, [1]], [4, 3])", 0, 2, "[2.000000]"},
        {"a = keyframe(5, [0])", 0, 2, "0.000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(valueAt(c.script, c.start, c.start + 100, c.t), c.value) << c.script << " at " << c.t;
}

TEST(Keyframes, AKeyThatStandsForAHugeTreeGivesZero) {
    // Every level refers to the one below twice: 2^30 leaves as a tree.
    std::string shared = "1";
    for (int i = 0; i < 30; ++i) shared = "[b = " + shared + ", b]";
    std::string script = "a = keyframe([0, " + shared + "])";
    EXPECT_EQ(valueAt(script.c_str(), 0, 10, 1), "0.000000");
}

TEST(Keyframes, SegmentSearchTable) {
    const float times[] = {1, 3, 3, 7};
    struct Row {
        float u;
        std::int32_t key;
        float fraction;
    } rows[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0.5f}, {3, 2, 0}, {5, 2, 0.5f}, {7, 3, 1}, {8, 3, 1}};
    for (const auto& row : rows) {
        KeySegment s = findKeySegment(times, 4, row.u);
        EXPECT_EQ(s.keyIndex, row.key) << row.u;
        EXPECT_EQ(s.fraction, row.fraction) << row.u;
    }
}

// bands() and level() read the current music at the demo time; their
// names stay free for variables wherever no "(" follows.
TEST(MusicBuiltins, ReadTheMusicAtTheDemoTimeAndLeaveTheirNamesToVariables) {
    analysis::MusicTable table;
    table.rowCount = 61;
    table.rows.assign(61 * analysis::rowBytes, 0);
    const std::uint8_t bands[] = {255, 51, 0, 102};
    std::copy(std::begin(bands), std::end(bands), table.row(60) + analysis::bandsOffset);
    table.row(60)[analysis::levelOffset] = 204;
    analysis::ReadyMusic music(std::move(table));
    struct Case {
        const char* script;
        float t;
        const char* value;
    };
    const Case withMusic[] = {
        {"a = bands()", 1.0f, "[1.000000,0.200000,0.000000,0.400000]"},
        {"a = level()", 1.0f, "0.800000"},
        {"a = bands(1, 2) * level ( )", 1.0f, "[0.800000,0.160000,0.000000,0.320000]"},
        {"a = level()", 0.5f, "0.000000"},
    };
    analysis::setMusicFinder([](void* found) { return static_cast<analysis::MusicSource*>(found); }, &music);
    for (const Case& c : withMusic) EXPECT_EQ(valueAt(c.script, 0.0f, 10.0f, c.t), c.value) << c.script;
    TracedDemo traced;
    addScript(traced.demo, 0.0f, 10.0f, "b = bands()");
    traced.demo.render(1.0f);
    EXPECT_NE(traced.takeTrace().find("b = [1.000000,0.200000,0.000000,0.400000]"), std::string::npos);

    analysis::setMusicFinder(nullptr, nullptr);
    EXPECT_EQ(valueAt("a = bands()", 0.0f, 10.0f, 1.0f), "[0.000000,0.000000,0.000000,0.000000]");
    EXPECT_EQ(valueAt("a = level()", 0.0f, 10.0f, 1.0f), "0.000000");

    // Variables of the same names, read and assigned as before.
    TracedDemo named;
    addScript(named.demo, 0.0f, 10.0f, "level = 2");
    addScript(named.demo, 0.0f, 10.0f, "bands = [level, 3]");
    addScript(named.demo, 0.0f, 10.0f, "a = bands * level + level");
    named.demo.render(1.0f);
    const Value* a = named.demo.variables.find("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(toText(*a), "[6.000000,8.000000]");
}

}  // namespace
}  // namespace quadrelume
