#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/fatal.h"

namespace quadrelume {
namespace {

TEST(Fatal, WritesTheMessageToStandardErrorAndExitsWithMinusOne) {
    EXPECT_EXIT(fatal("Could not make current"), ::testing::ExitedWithCode(255), "^Could not make current\n$");
}

int presented = 0;
void countingPresenter(const char* caption, const char* text) {
    if (std::string(caption) == "Torva Frame" && std::string(text) == "boom") ++presented;
    std::fprintf(stderr, "box shown\n");
}

TEST(Fatal, ShowsTheBoxAfterTheStandardErrorLine) {
    EXPECT_EXIT(
        {
            setMessageBoxPresenter(countingPresenter);
            fatal("boom");
        },
        ::testing::ExitedWithCode(255), "^boom\nbox shown\n$");
}

struct Unwound : std::runtime_error {
    using std::runtime_error::runtime_error;
};
void throwingHandler(const std::string& message) { throw Unwound(message); }

TEST(Fatal, AReplacedHandlerCanUnwindAndTheDefaultComesBack) {
    FatalHandler previous = setFatalHandler(throwingHandler);
    EXPECT_EQ(previous, nullptr);
    try {
        fatal("Unexpected end when parsing expr");
        FAIL() << "fatal returned";
    } catch (const Unwound& e) {
        EXPECT_STREQ(e.what(), "Unexpected end when parsing expr");
    }
    EXPECT_EQ(setFatalHandler(nullptr), throwingHandler);
    EXPECT_EXIT(fatal("x"), ::testing::ExitedWithCode(255), "^x\n$");
}

}  // namespace
}  // namespace quadrelume
