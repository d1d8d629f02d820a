// The X server killed under a running player, again and again at different
// moments: whatever the player is doing then (drawing, presenting, waiting),
// it ends with -1 and says why, instead of spinning on the dead connection.
#include <gtest/gtest.h>

#include "player_support.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

TEST(DisplayLoss, EveryKillOfTheServerEndsThePlayerWithMinusOneWithinTwoSeconds) {
    // One light shader on a small screen: most of each frame is spent
    // presenting it, where the loss used to hang the player.
    TempDir demo;
    demo.write("time.txt", "0 1000 #fill\n");
    demo.write("fill.ps", "precision mediump float;\nvoid main() { gl_FragColor = vec4(0.2, 0.6, 0.3, 1.0); }\n");
    constexpr int kills = 20;
    int ended = 0;
    for (int i = 0; i < kills; ++i) {
        XServer x(240, 160);
        std::unique_ptr<Process> player = startPlayer(x, demo.path());
        ASSERT_NE(waitForOutput(*player, "-----------------", 20), std::string::npos) << player->errors();
        pause(100 + 53 * (i % 7));
        x.kill();
        std::optional<int> code = player->waitForExit(2.0);
        EXPECT_EQ(code, 255) << "kill " << i << (code ? "" : ": still running after 2 s");
        EXPECT_EQ(player->errors(), "Lost the connection to the display\n") << "kill " << i;
        if (code == 255) ++ended;
    }
    EXPECT_EQ(ended, kills);
}

}  // namespace
}  // namespace quadrelume
