// Interpolation between keys and the keeping of keys in row order.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "sync/track.h"

namespace quadrelume::sync {
namespace {

TEST(TrackValue, EachKeyTypeAtTheEdgesAndInTheMiddle) {
    struct Case {
        KeyType type;
        double row;
        float expected;
    };
    // Keys 1 at row 0 (of the type under test), 3 at row 10, -1 at row 20.
    const Case cases[] = {
        // Before the first key, on it, a quarter and half way, on the next
        // key, on and after the last.
        {KeyType::step, -3.0, 1.0f},   {KeyType::step, 0.0, 1.0f},     {KeyType::step, 2.5, 1.0f},
        {KeyType::step, 9.99, 1.0f},   {KeyType::step, 10.0, 3.0f},    {KeyType::step, 20.0, -1.0f},
        {KeyType::linear, -3.0, 1.0f}, {KeyType::linear, 0.0, 1.0f},   {KeyType::linear, 2.5, 1.5f},
        {KeyType::linear, 5.0, 2.0f},  {KeyType::linear, 10.0, 3.0f},  {KeyType::linear, 25.0, -1.0f},
        {KeyType::smooth, 0.0, 1.0f},  {KeyType::smooth, 2.5, 1.3125f}, {KeyType::smooth, 5.0, 2.0f},
        {KeyType::smooth, 7.5, 2.6875f}, {KeyType::smooth, 10.0, 3.0f}, {KeyType::ramp, 0.0, 1.0f},
        {KeyType::ramp, 2.5, 1.125f},  {KeyType::ramp, 5.0, 1.5f},     {KeyType::ramp, 10.0, 3.0f},
        {KeyType::ramp, 1e12, -1.0f},
    };
    for (const Case& c : cases) {
        const std::vector<TrackKey> keys = {{0, 1.0f, c.type}, {10, 3.0f, KeyType::linear}, {20, -1.0f, KeyType::step}};
        EXPECT_FLOAT_EQ(trackValue(keys, c.row), c.expected)
            << "type " << static_cast<int>(c.type) << " at row " << c.row;
    }
}

TEST(TrackValue, EmptySingleAndOddRows) {
    EXPECT_EQ(trackValue({}, 5.0), 0.0f) << "a track without keys is 0";
    const std::vector<TrackKey> one = {{7, 4.5f, KeyType::ramp}};
    for (double row : {0.0, 7.0, 8.5, 1e9}) EXPECT_EQ(trackValue(one, row), 4.5f) << row;
    const std::vector<TrackKey> two = {{2, 1.0f, KeyType::linear}, {4, 5.0f, KeyType::step}};
    EXPECT_EQ(trackValue(two, NAN), 1.0f) << "a NaN row reads as before the first key";
    EXPECT_EQ(trackValue(two, 3.0), 3.0f);
    const std::vector<TrackKey> toInfinity = {{0, 2.0f, KeyType::step}, {8, INFINITY, KeyType::step}};
    EXPECT_EQ(trackValue(toInfinity, 4.0), 2.0f) << "a step holds even before an infinite key";
}

TEST(TrackKeys, SetReplacesAndKeepsRowOrderDeleteRemoves) {
    std::vector<TrackKey> keys;
    for (std::uint32_t row : {5u, 9u, 1u, 7u}) setKey(keys, {row, static_cast<float>(row), KeyType::linear});
    setKey(keys, {7, -7.0f, KeyType::smooth});
    const std::vector<TrackKey> expected = {
        {1, 1.0f, KeyType::linear}, {5, 5.0f, KeyType::linear}, {7, -7.0f, KeyType::smooth}, {9, 9.0f, KeyType::linear}};
    EXPECT_EQ(keys, expected);
    EXPECT_TRUE(deleteKey(keys, 5));
    EXPECT_FALSE(deleteKey(keys, 5)) << "no key left on that row";
    EXPECT_FALSE(deleteKey(keys, 100));
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1].row, 7u);
}

TEST(TrackKeys, ABurstOfEditsInAnyOrderEndsAsTheEditsOneByOneWould) {
    auto set = [](std::uint32_t row, float value) { return KeyEdit{{row, value, KeyType::linear}, false}; };
    auto remove = [](std::uint32_t row) { return KeyEdit{{row, 0.0f, KeyType::step}, true}; };
    std::vector<std::vector<KeyEdit>> bursts = {
        {set(40, 1), set(50, 2), set(60, 3)},                 // appended after the last key
        {set(9, 1), set(8, 2), set(7, 3), set(5, 4)},         // descending, around and before the keys
        {set(15, 1), remove(15), set(25, 2), remove(25), set(25, 3)},  // the last edit of a row decides
        {remove(10), remove(30), remove(99), set(20, 7)},    // removals, one of a row without a key
        {set(35, 1), set(35, 2)},
        {remove(20)},
    };
    // And a long shuffled one, a third of it removals, every row many times.
    std::mt19937 random(24);
    std::vector<KeyEdit> shuffled;
    for (int i = 0; i < 3000; ++i) {
        const auto row = static_cast<std::uint32_t>(random() % 200);
        shuffled.push_back(random() % 3 == 0 ? remove(row) : set(row, static_cast<float>(i)));
    }
    bursts.push_back(shuffled);
    for (std::vector<KeyEdit>& burst : bursts) {
        std::vector<TrackKey> oneByOne = {{10, 1.0f, KeyType::step}, {20, 2.0f, KeyType::step}, {30, 3.0f, KeyType::step}};
        std::vector<TrackKey> together = oneByOne;
        for (const KeyEdit& edit : burst) {
            if (edit.remove) deleteKey(oneByOne, edit.key.row);
            else setKey(oneByOne, edit.key);
        }
        const std::size_t size = burst.size();
        applyKeyEdits(together, burst);
        EXPECT_EQ(together, oneByOne) << "a burst of " << size;
    }
}

}  // namespace
}  // namespace quadrelume::sync
