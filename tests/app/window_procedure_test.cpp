#include <gtest/gtest.h>

#include <string>

#include "shell/shell_state.h"
#include "app/window_procedure.h"

namespace quadrelume {
namespace {

using Event = platform::WindowEvent;
using Kind = platform::WindowEvent::Kind;

Event character(char c) {
    Event event{Kind::character};
    event.character = c;
    return event;
}

class WindowProcedure : public ::testing::Test {
protected:
    void SetUp() override { keyCount = 0; }
    void TearDown() override { keyCount = 0; }
};

TEST_F(WindowProcedure, TypedCharactersAndCloseRequestsQueueInOrder) {
    handleWindowEvent(character('a'));
    handleWindowEvent(character(13));
    handleWindowEvent(Event{Kind::closeRequest});
    ASSERT_EQ(keyCount, 3);
    EXPECT_EQ(std::string(keyQueue, 3), std::string("a\r\x1b"));
    EXPECT_EQ(takeKey(), 'a');
    EXPECT_EQ(takeKey(), '\r');
    EXPECT_EQ(keyCount, 1);
    EXPECT_EQ(keyQueue[0], 27);
}

TEST_F(WindowProcedure, CharactersBeyondTheQueueAreDroppedNotWrittenPastIt) {
    // Guard bytes on both sides of the queue in the same object would need
    // a layout we do not control; instead fill it and check the count and
    // that the oldest characters survive.
    for (int i = 0; i < keyQueueCapacity + 50; ++i) handleWindowEvent(character(static_cast<char>('A' + i % 26)));
    EXPECT_EQ(keyCount, keyQueueCapacity);
    handleWindowEvent(Event{Kind::closeRequest});
    EXPECT_EQ(keyCount, keyQueueCapacity);
    EXPECT_EQ(keyQueue[0], 'A');
    EXPECT_EQ(keyQueue[keyQueueCapacity - 1], static_cast<char>('A' + (keyQueueCapacity - 1) % 26));
    EXPECT_EQ(takeKey(), 'A');
    EXPECT_EQ(keyCount, keyQueueCapacity - 1);
    handleWindowEvent(Event{Kind::closeRequest});
    EXPECT_EQ(keyQueue[keyQueueCapacity - 1], 27) << "room again after one was taken";
}

TEST_F(WindowProcedure, ResizeUpdatesTheDrawableSize) {
    Event event{Kind::resize};
    event.width = 800;
    event.height = 450;
    handleWindowEvent(event);
    EXPECT_EQ(windowWidth, 800);
    EXPECT_EQ(windowHeight, 450);
}

struct MoveCase {
    unsigned flags;
    int x;
    int y;
    const char* line;
};

class PointerTrace : public ::testing::TestWithParam<MoveCase> {};

TEST_P(PointerTrace, PrintsFlagsInHexThenYThenX) {
    Event event{Kind::pointerMove};
    event.keyFlags = GetParam().flags;
    event.x = GetParam().x;
    event.y = GetParam().y;
    ::testing::internal::CaptureStdout();
    handleWindowEvent(event);
    std::fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, PointerTrace,
    ::testing::Values(MoveCase{0, 500, 300, "MouseMove:0 300 500\n"},
                      MoveCase{platform::keyFlagLeftButton | platform::keyFlagShift, 1, 2, "MouseMove:5 2 1\n"},
                      MoveCase{platform::keyFlagRightButton | platform::keyFlagControl | platform::keyFlagMiddleButton,
                               1919, 1079, "MouseMove:1a 1079 1919\n"},
                      MoveCase{0, -1, -2, "MouseMove:0 65534 65535\n"}));

}  // namespace
}  // namespace quadrelume
