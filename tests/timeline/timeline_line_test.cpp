#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "timeline/timeline_line.h"

namespace quadrelume {
namespace {

struct TokenCase {
    const char* token;
    float value;
};

TEST(TimelineLine, TimeTokensReadLikeAtofWithDecimalCommas) {
    const TokenCase cases[] = {
        {"12,5", 12.5f}, {"12.5", 12.5f}, {"1,000", 1.0f},  {"5s", 5.0f},    {"abc", 0.0f},
        {"-3", -3.0f},   {"+2,25", 2.25f}, {"1e2", 100.0f}, {",5", 0.5f},    {"0,1,2", 0.1f},
        {"7,", 7.0f},    {"", 0.0f},       {"1e", 1.0f},    {"0.1", 0.1f},   {"3,40282e38", 3.40282e38f},
    };
    for (const auto& c : cases) EXPECT_EQ(parseTimeToken(c.token), c.value) << c.token;
    // Out of float range: narrowing gives infinity, as atof followed by the
    // conversion to float would.
    EXPECT_EQ(parseTimeToken("1e39"), std::numeric_limits<float>::infinity());
}

TEST(TimelineLine, BlankMeansOnlySpacesAndTabs) {
    EXPECT_TRUE(isBlankLine(""));
    EXPECT_TRUE(isBlankLine(" \t \t"));
    EXPECT_FALSE(isBlankLine(" \t x"));
    EXPECT_FALSE(isBlankLine("\f"));
    EXPECT_FALSE(parseTimelineLine(" \t ").has_value());
}

struct LineCase {
    const char* line;
    float start;
    float end;
    const char* action;
};

TEST(TimelineLine, SplitsTimesAndKeepsTheActionAsWritten) {
    const LineCase cases[] = {
        {"0 30 #tunnel", 0, 30, "#tunnel"},
        {"0 30 speed = lin(0, 2)", 0, 30, "speed = lin(0, 2)"},
        {"12,5 20 #flash", 12.5f, 20, "#flash"},
        {"40 45 !#credits", 40, 45, "!#credits"},
        {"  \t1\t\t2   x = 1  ", 1, 2, "x = 1  "},        // trailing blanks stay
        {"1 2 #name  ", 1, 2, "#name  "},                 // and become part of a file name
        {"1 2 # name", 1, 2, "# name"},
        {"1 2", 1, 2, ""},                                  // empty action
        {"1 2   ", 1, 2, ""},
        {"10 5 x = 1", 10, 5, "x = 1"},                     // reversed, built as written
        {"\f1 2 a = 1", 1, 2, "a = 1"},                     // any white space separates tokens
        {"1\v2\f\va = 1\t\tb", 1, 2, "a = 1\t\tb"},
        {"5s 1,000 #x", 5, 1, "#x"},
    };
    for (const auto& c : cases) {
        auto parsed = parseTimelineLine(c.line);
        ASSERT_TRUE(parsed.has_value()) << c.line;
        EXPECT_EQ(parsed->start, c.start) << c.line;
        EXPECT_EQ(parsed->end, c.end) << c.line;
        EXPECT_EQ(parsed->action, c.action) << c.line;
    }
}

TEST(TimelineLine, FewerThanTwoTokensGiveNothing) {
    for (const char* line : {"12", "  12  ", "\f", "\f\v", "#effect"}) {
        EXPECT_FALSE(parseTimelineLine(line).has_value()) << line;
    }
}

TEST(TimelineLine, HugeTokensAreReadWhole) {
    std::string start = "1" + std::string(5000, '0');  // 1e5000: beyond float
    std::string line = start + " 0," + std::string(5000, '5') + " x = 1";
    auto parsed = parseTimelineLine(line);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(std::isinf(parsed->start));
    EXPECT_FLOAT_EQ(parsed->end, 0.5555555f);
    EXPECT_EQ(parsed->action, "x = 1");
}

}  // namespace
}  // namespace quadrelume
