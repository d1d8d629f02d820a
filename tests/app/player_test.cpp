// The real player binary in a private X server, driven as a person would.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <signal.h>

#include <algorithm>

#include "player_support.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace quadrelume {
namespace {

using testing::Process;
using testing::TempDir;
using testing::XServer;

constexpr double startSeconds = 20.0;
constexpr double exitSeconds = 10.0;

using testing::pause;

class Player : public ::testing::Test {
protected:
    void start() {
        demo.write("time.txt", "");  // an empty timeline: black frames
        // An environment that asks SDL for its offscreen driver: the player
        // must insist on a real X11 window all the same.
        player = std::make_unique<Process>(
            std::vector<std::string>{QUADRELUME_PLAYER}, demo.path(),
            std::map<std::string, std::string>{{"DISPLAY", x.name()}, {"SDL_VIDEODRIVER", "offscreen"}});
        auto found = x.waitForWindow("Quadrelume", startSeconds);
        ASSERT_TRUE(found.has_value()) << "no window; stderr: " << player->errors();
        window = *found;
        // Let it draw a few frames: the window shows before the first one,
        // and a sanitized build on a busy machine takes its time.
        testing::waitForOutput(*player, "-----------------", startSeconds);
        pause(300);
    }

    std::optional<int> exitCode() { return player->waitForExit(exitSeconds); }

    XServer x;
    TempDir demo;
    std::unique_ptr<Process> player;
    testing::WindowGeometry window;
};

TEST_F(Player, CoversTheScreenWithTransparentBlackFramesAndEscapeEndsIt) {
    std::vector<unsigned> bare = x.screenshot();
    ASSERT_GT(std::count_if(bare.begin(), bare.end(), [](unsigned p) { return p != 0; }), 0)
        << "the bare screen must differ from a black window for this test to mean anything";
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(window.x, 0);
    EXPECT_EQ(window.y, 0);
    EXPECT_EQ(window.width, x.width());
    EXPECT_EQ(window.height, x.height());

    std::vector<unsigned> pixels = x.screenshot();
    auto lit = std::count_if(pixels.begin(), pixels.end(), [](unsigned p) { return p != 0; });
    EXPECT_EQ(lit, 0) << "pixels that are not black (the bare root is white)";

    x.typeKeysym(XK_Escape);
    EXPECT_EQ(exitCode(), 0) << player->errors();
    EXPECT_EQ(player->errors(), "");
}

TEST_F(Player, CloseRequestEndsItLikeEscape) {
    ASSERT_NO_FATAL_FAILURE(start());
    x.requestClose(window.id);
    EXPECT_EQ(exitCode(), 0) << player->errors();
}

TEST_F(Player, TypedCharactersAreIgnoredUntilEscape) {
    ASSERT_NO_FATAL_FAILURE(start());
    x.typeText("abc");
    x.typeKeysym(XK_Return);
    x.typeKeysym(XK_Tab);
    pause(300);
    EXPECT_TRUE(player->running()) << "ordinary characters do not end the program";
    x.typeText("xyz");
    x.typeKeysym(XK_Escape);
    EXPECT_EQ(exitCode(), 0) << player->errors();
}

TEST_F(Player, PointerMotionIsTracedYBeforeX) {
    ASSERT_NO_FATAL_FAILURE(start());
    x.movePointer(500, 300);
    pause(200);
    x.typeKeysym(XK_Escape);
    ASSERT_EQ(exitCode(), 0) << player->errors();
    EXPECT_NE(player->output().find("MouseMove:0 300 500\n"), std::string::npos) << player->output();
}

TEST_F(Player, FatalErrorShowsTheBoxOverTheWindowAndExitsWithMinusOneWhenDismissed) {
    // No EGL vendor library: the window opens, but EGL cannot.
    player = std::make_unique<Process>(
        std::vector<std::string>{QUADRELUME_PLAYER}, demo.path(),
        std::map<std::string, std::string>{{"DISPLAY", x.name()}, {"__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent.json"}});
    auto box = x.waitForWindow("Torva Frame", startSeconds);
    ASSERT_TRUE(box.has_value()) << "no message box; stderr: " << player->errors();
    EXPECT_EQ(player->errors(), "Could not get EGL display\n") << "standard error has the text before the box closes";
    pause(300);
    EXPECT_TRUE(player->running()) << "the box is modal: the program waits for it";
    x.focus(box->id);
    x.typeKeysym(XK_Return);
    EXPECT_EQ(exitCode(), 255);
}

TEST_F(Player, TermAndInterruptCloseTheFatalBoxAndEndWithItsExitCode) {
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        // No EGL vendor library: the window opens, but EGL cannot.
        player = std::make_unique<Process>(
            std::vector<std::string>{QUADRELUME_PLAYER}, demo.path(),
            std::map<std::string, std::string>{{"DISPLAY", x.name()},
                                               {"__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent.json"}});
        ASSERT_TRUE(x.waitForWindow("Torva Frame", startSeconds).has_value()) << player->errors();
        ::kill(player->pid(), signal);
        EXPECT_EQ(exitCode(), 255) << "a service manager, timeout or a logout ends it; " << player->errors();
        EXPECT_TRUE(testing::waitFor([&] { return !x.waitForWindow("Torva Frame", 0).has_value(); }, exitSeconds))
            << "the box goes with it:\n" << x.describeWindows();
    }
}

struct NoDisplayCase {
    const char* label;
    const char* display;
};

class PlayerWithoutDisplay : public ::testing::TestWithParam<NoDisplayCase> {};

TEST_P(PlayerWithoutDisplay, StopsWithTheEglDisplayMessage) {
    TempDir demo;  // holds no timeline: the display must fail before any file is read
    Process player({QUADRELUME_PLAYER}, demo.path(), {{"DISPLAY", GetParam().display}, {"SDL_VIDEODRIVER", "offscreen"}});
    EXPECT_EQ(player.waitForExit(exitSeconds), 255);
    EXPECT_EQ(player.errors(), "Could not get EGL display\n");
    EXPECT_EQ(player.output(), "");
}

INSTANTIATE_TEST_SUITE_P(Displays, PlayerWithoutDisplay,
                         ::testing::Values(NoDisplayCase{"unset", ""}, NoDisplayCase{"no server", ":97"}),
                         [](const auto& info) { return info.param.display[0] ? "NoServer" : "Unset"; });

}  // namespace
}  // namespace quadrelume
