// The end of a trace that cannot be written any more: its reader went away
// or the disk is full. The trace ends with one line on standard error, and
// the editing session, as the plain player, plays on until Escape.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "player_support.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

constexpr double startSeconds = 20.0;
constexpr double exitSeconds = 10.0;

TEST(TraceEnd, AClosedPipeOrAFullDiskEndsTheTraceAndThePlayerPlaysOn) {
    struct Case {
        const char* label;
        // Run by bash with the player as $0; the pipeline's exit code is the
        // player's, which a death by SIGPIPE makes 141.
        const char* script;
        const char* said;
    };
    const Case cases[] = {
        {"session, pipe", "set -o pipefail; \"$0\" --edit --trace - | head -c 300 >/dev/null",
         "quadrelume: standard output cannot be written any more ("},
        {"session, full disk", "\"$0\" --edit --trace /dev/full", "quadrelume: --trace /dev/full cannot be written any more ("},
        {"player, pipe", "set -o pipefail; \"$0\" | head -c 300 >/dev/null",
         "quadrelume: standard output cannot be written any more ("},
        {"player, full disk", "\"$0\" --trace /dev/full", "quadrelume: --trace /dev/full cannot be written any more ("},
    };
    TempDir demo;
    demo.write("time.txt", "0 100 x = lin(0, 1)\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        XServer x(320, 240);
        Process player({"/bin/bash", "-c", c.script, QUADRELUME_PLAYER}, demo.path(), {{"DISPLAY", x.name()}});
        auto window = x.waitForWindow("Quadrelume", startSeconds);
        ASSERT_TRUE(window.has_value()) << player.errors();
        ASSERT_TRUE(waitFor([&] { return player.errors().find(c.said) != std::string::npos; }, startSeconds))
            << player.errors();
        pause(500);  // frames go on being traced into nowhere
        EXPECT_TRUE(player.running()) << player.errors();
        x.focus(window->id);
        x.typeKeysym(XK_Escape);
        EXPECT_EQ(player.waitForExit(exitSeconds), 0) << player.errors();
        const std::string errors = player.errors();
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "one line: " << errors;
        EXPECT_NE(errors.find("the trace stops here, the demo plays on\n"), std::string::npos) << errors;
    }
}

}  // namespace
}  // namespace quadrelume
