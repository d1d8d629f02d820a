#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>

#include "clock/memory_source.h"

namespace quadrelume {
namespace {

// Seek then read: where the reads land and what tell says.
struct ReadCase {
    const char* name;
    std::int64_t offset;
    int whence;
    std::size_t elementSize;
    std::size_t count;
    std::size_t expectedCount;
    const char* expectedBytes;
    long expectedTell;
};

class MemorySourceRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(MemorySourceRead, CopiesWholeElementsFromThePosition) {
    const ReadCase& c = GetParam();
    FileData file("0123456789");
    MemorySource source(&file);
    ASSERT_EQ(source.seek(c.offset, c.whence), 0);
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(source.read(buffer, c.elementSize, c.count), c.expectedCount);
    std::size_t bytes = std::strlen(c.expectedBytes);
    EXPECT_EQ(std::string(buffer, bytes), c.expectedBytes);
    EXPECT_EQ(buffer[bytes], '#') << "wrote past the copied elements";
    EXPECT_EQ(source.tell(), c.expectedTell);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemorySourceRead,
    ::testing::Values(ReadCase{"FromStart", 0, SEEK_SET, 1, 4, 4, "0123", 4},
                      ReadCase{"ShortAtEnd", 7, SEEK_SET, 1, 10, 3, "789", 10},
                      ReadCase{"WholeElementsOnly", 3, SEEK_SET, 3, 5, 2, "345678", 9},
                      ReadCase{"ElementLargerThanRest", 8, SEEK_SET, 4, 1, 0, "", 8},
                      ReadCase{"AtEnd", 0, SEEK_END, 1, 4, 0, "", 10},
                      ReadCase{"FromEnd", -2, SEEK_END, 1, 4, 2, "89", 10},
                      ReadCase{"PastEnd", 5, SEEK_END, 1, 4, 0, "", 10},
                      ReadCase{"BeforeStart", -3, SEEK_SET, 1, 4, 0, "", 0},
                      ReadCase{"ZeroElementSize", 2, SEEK_SET, 0, 4, 0, "", 2}),
    [](const auto& info) { return info.param.name; });

TEST(MemorySource, SeekMovesRelativeToStartCurrentAndEnd) {
    FileData file("0123456789");
    MemorySource source(&file);
    char byte = 0;
    EXPECT_EQ(source.seek(4, SEEK_SET), 0);
    EXPECT_EQ(source.seek(2, SEEK_CUR), 0);
    ASSERT_EQ(source.read(&byte, 1, 1), 1u);
    EXPECT_EQ(byte, '6');
    EXPECT_EQ(source.seek(-3, SEEK_CUR), 0);
    ASSERT_EQ(source.read(&byte, 1, 1), 1u);
    EXPECT_EQ(byte, '4');
    EXPECT_EQ(source.seek(-1, SEEK_END), 0);
    ASSERT_EQ(source.read(&byte, 1, 1), 1u);
    EXPECT_EQ(byte, '9');
}

TEST(MemorySource, RefusesUnknownWhenceAndOverflowWithoutMoving) {
    FileData file("0123456789");
    MemorySource source(&file);
    ASSERT_EQ(source.seek(5, SEEK_SET), 0);
    EXPECT_EQ(source.seek(0, 42), -1);
    EXPECT_EQ(source.position(), 5);
    ASSERT_EQ(source.seek(std::numeric_limits<std::int64_t>::max(), SEEK_SET), 0);
    EXPECT_EQ(source.seek(1, SEEK_CUR), -1);
    EXPECT_EQ(source.position(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(source.tell(), 10);
}

TEST(MemorySource, CloseRewinds) {
    FileData file("abc");
    MemorySource source(&file);
    ASSERT_EQ(source.seek(2, SEEK_SET), 0);
    EXPECT_EQ(source.close(), 0);
    EXPECT_EQ(source.tell(), 0);
    char byte = 0;
    ASSERT_EQ(source.read(&byte, 1, 1), 1u);
    EXPECT_EQ(byte, 'a');
}

}  // namespace
}  // namespace quadrelume
