// The complete player on real demo folders: the timeline trace, drawing,
// the end of the timeline, and files saved while it runs.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <ios>

#include "player_support.h"
#include "clock/music_fixtures.h"
#include "support/alsa_test_device.h"
#include "support/png_writer.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

constexpr double startSeconds = 20.0;
constexpr double exitSeconds = 10.0;

// A shader that fills the screen with the colour of its `colour` uniform.
constexpr const char* fillShader =
    "precision mediump float;\n"
    "uniform vec3 colour;\n"
    "void main() { gl_FragColor = vec4(colour, 1.0); }\n";

// A shader that fills the screen with one fixed colour.
std::string constantShader(const char* rgb) {
    return std::string("precision mediump float;\nvoid main() { gl_FragColor = vec4(") + rgb + ", 1.0); }\n";
}

class DemoFolder : public ::testing::Test {
protected:
    void start(std::map<std::string, std::string> environment = {}) {
        player = startPlayer(x, demo.path(), environment);
        auto found = x.waitForWindow("Quadrelume", startSeconds);
        ASSERT_TRUE(found.has_value()) << "no window; stderr: " << player->errors();
        window = *found;
    }

    // Ends the player with Escape and expects a clean exit.
    void quit() {
        x.typeKeysym(XK_Escape);
        EXPECT_EQ(player->waitForExit(exitSeconds), 0) << player->errors();
    }

    // Waits for the fatal box, dismisses it and gives the exit code.
    std::optional<int> dismissFatalBox() {
        auto box = x.waitForWindow("Torva Frame", startSeconds);
        if (!box) return std::nullopt;
        x.focus(box->id);
        x.typeKeysym(XK_Return);
        return player->waitForExit(exitSeconds);
    }

    XServer x;
    TempDir demo;
    std::unique_ptr<Process> player;
    WindowGeometry window;
};

TEST_F(DemoFolder, PlaysTheTimelineAndFeedsScriptVariablesToTheShader) {
    demo.write("time.txt", "0 1000 colour = [1, 0.5, 0]\n\n0 1000 #fill\n");
    demo.write("fill.ps", fillShader);
    ASSERT_NO_FATAL_FAILURE(start());
    unsigned seen = waitForCentreColour(x, 0xff8000, 5);
    EXPECT_TRUE(coloursNear(seen, 0xff8000, 2)) << std::hex << seen;
    pause(300);
    quit();

    const std::string out = player->output();
    const std::string header =
        "Line:0 -> 0.000000 1000.000000 'colour = [1, 0.5, 0]'\n"
        "Line:2 -> 0.000000 1000.000000 '#fill'\n"
        "added attrib a_pos for <passVS>/fill.ps\n"
        "added uniform colour for <passVS>/fill.ps\n";
    EXPECT_EQ(out.substr(0, header.size()), header);
    EXPECT_NE(out.find("colour = [1.000000,0.500000,0.000000]\n"), std::string::npos);
    std::vector<double> times = frameTimes(out);
    ASSERT_GE(times.size(), 5u);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end())) << "the timer clock only moves forward here";
    EXPECT_GT(times.back(), times.front());
}

TEST_F(DemoFolder, AShaderSavedInPlaceOrByRenameIsDrawnAtOnce) {
    demo.write("time.txt", "0 1000 #fill\n");
    demo.write("fill.ps", constantShader("1.0, 0.0, 0.0"));
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(coloursNear(waitForCentreColour(x, 0xff0000, 5), 0xff0000));

    demo.write("fill.ps", constantShader("0.0, 0.0, 1.0"));
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0x0000ff, 5), 0x0000ff)) << "saved in place";
    EXPECT_NE(waitForOutput(*player, "Reloading:fill.ps\n", 2), std::string::npos);

    // An editor that writes a new file and renames it over the old one.
    demo.write("fill.ps.new", constantShader("0.0, 1.0, 0.0"));
    ASSERT_EQ(std::rename(demo.file("fill.ps.new").c_str(), demo.file("fill.ps").c_str()), 0);
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0x00ff00, 5), 0x00ff00)) << "saved by rename";
    quit();
}

TEST_F(DemoFolder, ARewrittenTimelineIsLoadedAgainWithFreshVariables) {
    demo.write("time.txt", "0 1000 old = 7\n0 1000 colour = [0, 0, 1]\n0 1000 #fill\n");
    demo.write("fill.ps", fillShader);
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(coloursNear(waitForCentreColour(x, 0x0000ff, 5), 0x0000ff));

    demo.write("time.txt", "0 1000 #fill\n0 1000 colour = [0, 1, 0]\n");
    std::size_t reloaded = waitForOutput(*player, "Line:1 -> 0.000000 1000.000000 'colour = [0, 1, 0]'\n", 5);
    ASSERT_NE(reloaded, std::string::npos) << player->output().substr(0, 2000);
    EXPECT_NE(player->output().find("Found fill.ps in cache\n"), std::string::npos);
    // The effect now runs before the assignment in each frame, so it draws
    // the colour the previous frame left.
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0x00ff00, 5), 0x00ff00));
    std::size_t frameAfter = waitForOutput(*player, "-----------------", 2, reloaded);
    ASSERT_NE(waitForOutput(*player, "colour = ", 2, frameAfter), std::string::npos);
    quit();
    EXPECT_EQ(player->output().find("old = ", frameAfter), std::string::npos) << "variables start afresh";
}

TEST_F(DemoFolder, ARewrittenTimelineKeepsEachBufferWhoseNameAndSizeStay) {
    // The buffer holds what its first frame drew: red near the start, green
    // later, so a buffer started anew after the first second shows green.
    demo.write("hold.ps",
               "precision mediump float;\nuniform vec2 resolution;\nuniform float gtime;\nuniform sampler2D held;\n"
               "void main() { vec4 last = texture2D(held, gl_FragCoord.xy / resolution);\n"
               "  gl_FragColor = last.a > 0.0 ? last : gtime < 1.0 ? vec4(1.0, 0.0, 0.0, 1.0) : vec4(0.0, 1.0, 0.0, 1.0); }\n");
    demo.write("show.ps", "precision mediump float;\nuniform vec2 resolution;\nuniform sampler2D held;\n"
                          "void main() { gl_FragColor = texture2D(held, gl_FragCoord.xy / resolution); }\n");
    demo.write("time.txt", "0 1000 held = #hold\n0 1000 #show\n");
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(coloursNear(waitForCentreColour(x, 0xff0000, 5), 0xff0000));
    pause(1200);

    demo.write("time.txt", "0 1000 held = #hold\n0 1000 #show\n0 1000 more = 1\n");
    std::size_t reloaded = waitForOutput(*player, "Line:2 -> 0.000000 1000.000000 'more = 1'\n", 5);
    ASSERT_NE(reloaded, std::string::npos) << player->output().substr(0, 2000);
    std::size_t frameAfter = waitForOutput(*player, "-----------------", 2, reloaded);
    ASSERT_NE(waitForOutput(*player, "-----------------", 2, frameAfter + 1), std::string::npos);
    pause(200);
    EXPECT_TRUE(coloursNear(x.pixel(x.width() / 2, x.height() / 2), 0xff0000)) << "the same buffer, drawn on";

    demo.write("time.txt", "0 1000 held/2 = #hold\n0 1000 #show\n");
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0x00ff00, 5), 0x00ff00)) << "a buffer of another size starts empty";
    quit();
}

TEST_F(DemoFolder, APictureCreatedWhileRunningAppears) {
    demo.write("time.txt", "0 1000 #show\n");
    demo.write("show.ps",
               "precision mediump float;\n"
               "uniform sampler2D picture;\n"
               "void main() { gl_FragColor = texture2D(picture, vec2(0.5)) + vec4(0.0, 0.0, 0.25, 1.0); }\n");
    ASSERT_NO_FATAL_FAILURE(start());
    // Without its file the sampler reads an unbound texture: black.
    ASSERT_TRUE(coloursNear(waitForCentreColour(x, 0x000040, 5), 0x000040));

    PngImage green{.width = 2, .height = 2, .colourType = 2, .pixels = std::vector<std::uint8_t>(12)};
    for (int i = 0; i < 4; ++i) green.pixels[i * 3 + 1] = 200;
    demo.write("picture.png", encodePng(green));
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0x00c840, 5), 0x00c840));
    EXPECT_NE(waitForOutput(*player, "2 x 2 ...\nbit per chan:8\ncoltype:2\n", 2), std::string::npos);
    quit();
}

TEST_F(DemoFolder, ASyntaxErrorSavedIntoTheTimelineEndsWithTheBox) {
    demo.write("time.txt", "0 1000 a = 1\n");
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NE(waitForOutput(*player, "a = 1.000000\n", 5), std::string::npos);
    demo.write("time.txt", "0 1000 a = (1 +\n");
    EXPECT_EQ(dismissFatalBox(), 255);
    EXPECT_EQ(player->errors(), "Unexpected end when parsing expr\n");
    EXPECT_NE(player->output().find("Line:0 -> 0.000000 1000.000000 'a = (1 +'\n"), std::string::npos);
}

TEST_F(DemoFolder, AShaderThatDoesNotCompileEndsWithItsLog) {
    demo.write("time.txt", "0 1000 #broken\n");
    demo.write("broken.ps", "void main() { this is not glsl }\n");
    player = startPlayer(x, demo.path());
    EXPECT_EQ(dismissFatalBox(), 255);
    EXPECT_EQ(player->errors().rfind("Error in broken.ps:", 0), 0u) << player->errors();
}

TEST_F(DemoFolder, WithoutATimelineItEndsWithTheBox) {
    player = startPlayer(x, demo.path());
    EXPECT_EQ(dismissFatalBox(), 255);
    EXPECT_EQ(player->errors(), "Could not load the timeline file time.txt from the current directory\n");
}

TEST_F(DemoFolder, TheEndOfTheTimelineSetsTheClockBackToZero) {
    demo.write("time.txt", "0 0,4 x = gtime()\n");
    ASSERT_NO_FATAL_FAILURE(start());
    pause(1500);
    quit();
    std::vector<double> times = frameTimes(player->output());
    std::vector<Restart> restarts = restartsIn(times);
    for (const Restart& restart : restarts) {
        EXPECT_GT(restart.before, 0.4) << "only a frame past the end restarts";
        EXPECT_LT(restart.after, 0.1) << "and it starts again near 0";
    }
    EXPECT_GE(restarts.size(), 2u);
    EXPECT_LT(*std::max_element(times.begin(), times.end()), 0.6);
}

TEST_F(DemoFolder, AnEmptyTimelineRestartsEveryFrame) {
    demo.write("time.txt", "");
    ASSERT_NO_FATAL_FAILURE(start());
    for (int waited = 0; waited < 10000 && frameTimes(player->output()).size() < 12; waited += 50) pause(50);
    quit();
    std::vector<double> times = frameTimes(player->output());
    ASSERT_GE(times.size(), 10u);
    EXPECT_LT(*std::max_element(times.begin() + 1, times.end()), 0.2);
}

TEST_F(DemoFolder, MusicIsTheClockAndStartsAgainWithTheTimeline) {
    // Three seconds of music under a timeline that ends after one.
    const std::string music = encodeTone(demo, ToneSpec{.seconds = 3.0});
    demo.write("demo.ogg", music);
    demo.write("time.txt", "0 1 x = gtime()\n");
    AlsaTestDevice device;
    ASSERT_NO_FATAL_FAILURE(start(device.environment()));
    pause(3500);
    quit();
    EXPECT_EQ(player->errors(), "");

    // The clock is the playing position: it follows the music, and running
    // past the timeline's end sets it back near 0 three times in 3.5 s.
    std::vector<Restart> restarts = restartsIn(frameTimes(player->output()));
    for (const Restart& restart : restarts) {
        EXPECT_GT(restart.before, 1.0);
        EXPECT_LT(restart.after, 0.2);
    }
    EXPECT_GE(restarts.size(), 2u);
    EXPECT_LE(restarts.size(), 4u);

    // And the music itself started again from its first samples each time.
    Pcm played = stereoPcm(device.captured(), 44100);
    Pcm reference = decodeReference(music);
    int starts = 0;
    for (std::int64_t at = findFrames(played, 0, reference, 0); at >= 0; at = findFrames(played, at + 1, reference, 0))
        ++starts;
    EXPECT_GE(starts, 3) << "the first start and at least two restarts";
    EXPECT_LT(findFrames(played, 0, reference, 44100 * 2), 0) << "the third second is never reached";
}

TEST_F(DemoFolder, LosingTheDisplayStopsTheMusicAndEndsWithMinusOne) {
    demo.write("demo.ogg", encodeTone(demo, ToneSpec{.seconds = 30.0}));
    demo.write("time.txt", "0 100 x = gtime()\n");
    AlsaTestDevice device;
    ASSERT_NO_FATAL_FAILURE(start(device.environment()));
    ASSERT_NE(waitForOutput(*player, "x = ", 5), std::string::npos);
    x.kill();
    EXPECT_EQ(player->waitForExit(exitSeconds), 255) << player->errors();
    EXPECT_EQ(player->errors(), "Lost the connection to the display\n");
}

TEST_F(DemoFolder, HaltEndsWithZeroAfterItsFramesTrace) {
    demo.write("time.txt", "0 1 before = 1\n0,3 1000 stop = halt()\n");
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(player->waitForExit(exitSeconds), 0) << player->errors();
    const std::string out = player->output();
    std::size_t last = out.rfind("-----------------");
    ASSERT_NE(last, std::string::npos);
    EXPECT_NE(out.find("\nstop = 0.000000\n", last), std::string::npos) << out.substr(last);
    EXPECT_EQ(out.find("\nstop = "), out.find("\nstop = ", last)) << "exactly one frame ran halt";
}

}  // namespace
}  // namespace quadrelume
