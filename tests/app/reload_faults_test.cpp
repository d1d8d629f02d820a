// Saves that only the real player, with its directory watch, can get wrong:
// a file still being written, events the kernel dropped, linked folders.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <ios>

#include "player_support.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

constexpr unsigned red = 0xff0000, green = 0x00ff00, blue = 0x0000ff;

// A shader that fills the screen with one colour, 0xRRGGBB with 0 or ff.
std::string fill(unsigned rgb) {
    auto channel = [&](int shift) { return (rgb >> shift & 255) != 0 ? "1.0" : "0.0"; };
    return std::string("precision mediump float;\nvoid main() { gl_FragColor = vec4(") + channel(16) + ", " +
           channel(8) + ", " + channel(0) + ", 1.0); }\n";
}

class ReloadFaults : public ::testing::Test {
protected:
    void start() {
        player = startPlayer(x, demo.path());
        ASSERT_TRUE(x.waitForWindow("Quadrelume", 20).has_value()) << player->errors();
    }
    bool shows(unsigned colour) { return coloursNear(waitForCentreColour(x, colour, 5), colour); }
    void quit() {
        x.typeKeysym(XK_Escape);
        EXPECT_EQ(player->waitForExit(10), 0) << player->errors();
    }

    XServer x;
    TempDir demo;
    std::unique_ptr<Process> player;
};

TEST_F(ReloadFaults, AShaderStillBeingWrittenWaitsForItsWriterToClose) {
    demo.write("time.txt", "0 1000 #fx\n");
    demo.write("fx.ps", fill(red));
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(shows(red));

    // An exporter writing in chunks while another file is saved.
    const std::string text = fill(green);
    std::FILE* writer = std::fopen(demo.file("fx.ps").c_str(), "wb");
    ASSERT_NE(writer, nullptr);
    std::fwrite(text.data(), 1, 40, writer);
    std::fflush(writer);
    demo.write("time.txt", "0 1000 #fx\n");
    // The shader's holder is polled before the timeline's in the same pass.
    ASSERT_NE(waitForOutput(*player, "Reloading:time.txt\n", 5), std::string::npos) << player->errors();
    EXPECT_EQ(player->output().find("Reloading:fx.ps"), std::string::npos) << player->errors();

    std::fwrite(text.data() + 40, 1, text.size() - 40, writer);
    std::fclose(writer);
    EXPECT_TRUE(shows(green)) << player->errors();
    quit();
}

TEST_F(ReloadFaults, AFolderMadeWhileEventsWereLostIsWatched) {
    demo.write("time.txt", "0 1000 #fx\n");
    demo.write("fx.ps", fill(red));
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(shows(red));

    // More events than the kernel queues (16384 by default) while the player
    // is stopped; the new folder comes after the queue is full.
    ::kill(player->pid(), SIGSTOP);
    for (int i = 0; i < 17000; ++i) {
        std::FILE* file = std::fopen(demo.file("f" + std::to_string(i)).c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
    }
    std::filesystem::create_directory(demo.file("sub"));
    demo.write("sub/fx.ps", fill(blue));
    demo.write("time.txt", "0 1000 #sub/fx\n");
    ::kill(player->pid(), SIGCONT);
    ASSERT_TRUE(shows(blue)) << player->errors();

    demo.write("sub/fx.ps", fill(green));
    EXPECT_TRUE(shows(green));
    quit();
}

TEST_F(ReloadFaults, ShadersInALinkedFolderOutsideTheDemoReload) {
    TempDir shared;
    shared.write("fx.ps", fill(red));
    std::filesystem::create_directory_symlink("../" + std::filesystem::path(shared.path()).filename().string(),
                                              demo.file("common"));
    demo.write("time.txt", "0 1000 #common/fx\n");
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(shows(red));

    shared.write("fx.ps", fill(green));
    EXPECT_TRUE(shows(green));
    EXPECT_NE(player->output().find("Reloading:common/fx.ps\n"), std::string::npos);
    quit();
}

}  // namespace
}  // namespace quadrelume
