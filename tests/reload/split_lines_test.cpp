#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reload/split_lines.h"

namespace quadrelume {
namespace {

struct SplitCase {
    const char* label;
    std::string text;
    std::vector<std::string> lines;
};

class SplitLines : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLines, CutsAtEveryKindOfLineEnd) {
    const SplitCase& c = GetParam();
    FileData file(c.text);
    EXPECT_EQ(splitLines(file), c.lines) << c.label;
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    LineEnds, SplitLines,
    ::testing::Values(
        SplitCase{"empty", "", {}},
        SplitCase{"no line end", "abc", {"abc"}},
        SplitCase{"LF", "a\nb\n", {"a", "b"}},
        SplitCase{"CR", "a\rb\r", {"a", "b"}},
        SplitCase{"CR LF", "a\r\nb\r\n", {"a", "b"}},
        SplitCase{"LF CR ends two lines", "a\n\rb", {"a", "", "b"}},
        SplitCase{"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        SplitCase{"blank lines kept", "\n\nx\n\n", {"", "", "x", ""}},
        SplitCase{"lone line end", "\n", {""}},
        SplitCase{"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
        SplitCase{"last line without end", "a\nb", {"a", "b"}},
        SplitCase{"zero byte dropped", "a\0b\nc"s, {"ab", "c"}},
        SplitCase{"only zero bytes", "\0\0\0"s, {""}},
        SplitCase{"zero byte before line end", "a\0\r\nb"s, {"a", "b"}},
        SplitCase{"UTF-16 text reads as its characters", "0\0 \0001\0\n\0"s, {"0 1", ""}}));

}  // namespace
}  // namespace quadrelume
