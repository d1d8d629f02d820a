#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdio>
#include <limits>
#include <vector>

#include "script/scratch_arena.h"
#include "script/value.h"
#include "script/variable_table.h"

namespace quadrelume {
namespace {

// A list of `values` in the ScratchArena.
Value list(std::initializer_list<Value> values) {
    auto* items = static_cast<Value*>(scratchArena().allocate(values.size() * sizeof(Value)));
    int n = 0;
    for (const Value& v : values) items[n++] = v;
    return listValue(items, n);
}

TEST(Value, PrintsNumbersListsAndEmptyListsWithoutSpaces) {
    Value inner = list({numberValue(2), numberValue(3)});
    Value outer = list({numberValue(1), inner});
    Value empty = list({});
    EXPECT_EQ(toText(zeroValue()), "0.000000");
    EXPECT_EQ(toText(numberValue(-1.5f)), "-1.500000");
    EXPECT_EQ(toText(empty), "[]");
    EXPECT_EQ(toText(outer), "[1.000000,[2.000000,3.000000]]");
}

TEST(Value, PrintsNumbersOfAnyMagnitudeInFull) {
    const float numbers[] = {1e32f, -3.4e38f, std::numeric_limits<float>::max(),
                             std::numeric_limits<float>::infinity(), 1e-30f};
    for (float number : numbers) {
        char expected[128];
        std::snprintf(expected, sizeof expected, "%f", static_cast<double>(number));
        EXPECT_EQ(toText(numberValue(number)), expected) << number;
    }
    EXPECT_EQ(toText(numberValue(std::numeric_limits<float>::max())).size(), 46u);
}

TEST(Value, NumberTextMatchesPrintfForEveryKindOfFloat) {
    // Bit patterns spread over every exponent, plus values whose seventh
    // decimal is an exact tie (odd multiples of 1/128) or close to one.
    std::uint32_t bits = 12345;
    std::vector<float> numbers = {0.0f, -0.0f, 0.5e-6f, -0.4e-6f, 2.5e-6f, 0.1234565f, 8388607.5f, 9.0e12f, 1.7e13f,
                                  0.0078125f, 0.0234375f, -0.0078125f, 1.0078125f};
    for (int i = 0; i < 200000; ++i) {
        bits = bits * 1664525u + 1013904223u;
        float number;
        std::memcpy(&number, &bits, sizeof number);
        numbers.push_back(number);
    }
    for (float number : numbers) {
        char expected[128];
        std::snprintf(expected, sizeof expected, "%f", static_cast<double>(number));
        std::string text;
        appendNumberText(text, number);
        ASSERT_EQ(text, expected) << std::hexfloat << number;
    }
}

TEST(Value, CopiesShareNoStorageAtAnyDepth) {
    Value source = copyValue(list({numberValue(1), list({numberValue(2), list({})})}), false);
    for (bool scratch : {false, true}) {
        Value copy = copyValue(source, scratch);
        ASSERT_EQ(toText(copy), toText(source));
        EXPECT_NE(copy.items, source.items);
        EXPECT_NE(copy.items[1].items, source.items[1].items);
        EXPECT_NE(copy.items[1].items[1].items, source.items[1].items[1].items);
        copy.items[1].items[0].number = 99;
        EXPECT_EQ(toText(source), "[1.000000,[2.000000,[]]]");
        if (!scratch) destroyValue(copy);
    }
    destroyValue(source);
}

TEST(Value, StringsAreCopiedAndPrintedAsText) {
    char text[] = "glow";
    Value s = zeroValue();
    s.kind = ValueKind::String;
    s.count = 7;
    s.text = text;
    Value copy = copyValue(s, false);
    text[0] = 'b';
    EXPECT_EQ(toText(copy), "glow");
    EXPECT_EQ(copy.count, 7);
    destroyValue(copy);
}

TEST(VariableTable, HeapCopySurvivesArenaReuseAndReplacementIsComplete) {
    VariableTable table;
    Value* items = static_cast<Value*>(scratchArena().allocate(2 * sizeof(Value)));
    items[0] = numberValue(4);
    items[1] = numberValue(5);
    table.assign("c", listValue(items, 2));
    scratchArena().reset();
    std::memset(scratchArena().allocate(64), 0xff, 64);
    EXPECT_EQ(toText(*table.find("c")), "[4.000000,5.000000]");

    table.assign("c", numberValue(3));
    EXPECT_EQ(table.find("c")->kind, ValueKind::Number);
    EXPECT_EQ(table.find("c")->count, 0);
    EXPECT_EQ(table.find("missing"), nullptr);
    EXPECT_EQ(table.size(), 1u);
}

TEST(VariableTable, IteratesInByteOrderOfNames) {
    VariableTable table;
    for (const char* name : {"b", "a", "Zeta", "ab", "_x", "B1"}) table.assign(name, zeroValue());
    std::string order;
    for (const auto& entry : table) order += entry.first + " ";
    EXPECT_EQ(order, "B1 Zeta _x a ab b ");
}

TEST(ScratchArena, HandsOutZeroedMemoryAndReusesBlocks) {
    ScratchArena arena;
    auto* first = static_cast<unsigned char*>(arena.allocate(100));
    std::memset(first, 7, 100);
    arena.reset();
    auto* again = static_cast<unsigned char*>(arena.allocate(100));
    EXPECT_EQ(again, first);
    EXPECT_EQ(again[99], 0);
    // A run that overflows the first block moves on to a second one, and a
    // request bigger than any block gets a block of its own size.
    arena.allocate(ScratchArena::minimumBlockSize - 64);
    EXPECT_EQ(arena.blockCount(), 2u);
    arena.allocate(3 * ScratchArena::minimumBlockSize);
    EXPECT_EQ(arena.blockCount(), 3u);
    EXPECT_NE(arena.allocate(0), nullptr);
}

}  // namespace
}  // namespace quadrelume
