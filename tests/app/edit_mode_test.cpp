// The editing session of the real player (--edit) under a private X server:
// the command line, the time keys, and saves that do not build.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <cmath>
#include <cstdio>

#include "analysis/music_analysis.h"
#include "analysis/music_at.h"
#include "clock/music_fixtures.h"
#include "player_support.h"
#include "support/alsa_test_device.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

constexpr double startSeconds = 20.0;
constexpr double exitSeconds = 10.0;

std::string fillShader(const char* rgb) {
    return std::string("precision mediump float;\nuniform vec3 colour;\nvoid main() { gl_FragColor = vec4(") + rgb +
           ", 1.0); }\n";
}

TEST(CommandLine, AnswersAndRefusesWithoutADisplay) {
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string out;  // expected at the start of standard output
        std::string err;  // expected at the start of standard error
    };
    const Case cases[] = {
        {{"--help"}, 0, "usage: quadrelume [--edit] [DEMO_DIR]\n", ""},
        {{"--version"}, 0, std::string("quadrelume ") + QUADRELUME_VERSION + "\n", ""},
        {{"--edit", "--loop"}, 2, "", "quadrelume: unknown option --loop\nusage: quadrelume [--edit] [DEMO_DIR]\n"},
        {{"/no/such/demo"}, 2, "", "quadrelume: cannot play the demo folder /no/such/demo: No such file or directory\n"},
        {{".", "."}, 2, "", "quadrelume: only one demo folder, not also .\n"},
        {{"--new", "fresh", "--edit"}, 2, "", "quadrelume: --new writes a demo and plays none"},
        {{"--sync=studio:99999"}, 2, "",
         "quadrelume: --sync studio:99999: expected [HOST][:PORT], as in --sync=localhost:1338\n"},
    };
    TempDir here;
    for (const Case& c : cases) {
        std::vector<std::string> argv{QUADRELUME_PLAYER};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        Process player(argv, here.path(), {{"DISPLAY", ""}});
        EXPECT_EQ(player.waitForExit(exitSeconds), c.exitCode) << c.arguments[0];
        EXPECT_EQ(player.output().substr(0, c.out.size()), c.out);
        EXPECT_EQ(player.errors().substr(0, c.err.size()), c.err);
        if (c.out.empty()) {
            EXPECT_EQ(player.output(), "");
        }
    }
}

class EditSession : public ::testing::Test {
protected:
    // Starts `quadrelume --edit <demo folder>` from another directory, over
    // the whole screen (so that the screen's centre is the picture's) and
    // with the per-frame trace on standard output.
    void start(std::map<std::string, std::string> environment = {}) {
        environment["DISPLAY"] = x.name();
        player = std::make_unique<Process>(
            std::vector<std::string>{QUADRELUME_PLAYER, "--edit", "--fullscreen", "--trace", "-", demo.path()},
            elsewhere.path(), environment);
        auto found = x.waitForWindow("Quadrelume", startSeconds);
        ASSERT_TRUE(found.has_value()) << "no window; stderr: " << player->errors();
    }

    void quit() {
        x.typeKeysym(XK_Escape);
        EXPECT_EQ(player->waitForExit(exitSeconds), 0) << player->errors();
    }

    // Waits for standard error to hold `needle` `count` times.
    bool waitForErrors(const std::string& needle, int count = 1) {
        for (int i = 0; i < 250; ++i) {
            std::string errors = player->errors();
            int found = 0;
            for (std::size_t at = errors.find(needle); at != std::string::npos; at = errors.find(needle, at + 1))
                ++found;
            if (found >= count) return true;
            pause(20);
        }
        return false;
    }

    // Presses `keysym` (with Shift when asked) and gives the "Seek:" or
    // "Paused:"/"Resumed:" line it caused, with the time of the next frame.
    struct Traced {
        std::string line;
        double from = NAN;
        double to = NAN;
        double nextFrame = NAN;
    };
    Traced press(unsigned long keysym, const std::string& expected, bool shift = false) {
        std::size_t mark = player->output().size();
        shift ? x.typeShiftedKeysym(keysym) : x.typeKeysym(keysym);
        Traced traced;
        std::size_t at = waitForOutput(*player, expected, 5, mark);
        if (at == std::string::npos) return traced;
        std::size_t frame = waitForOutput(*player, "----------------- ", 5, at);
        std::string out = player->output();
        traced.line = out.substr(at, out.find('\n', at) - at);
        std::sscanf(traced.line.c_str() + expected.size(), "%lf -> %lf", &traced.from, &traced.to);
        if (frame != std::string::npos) traced.nextFrame = std::strtod(out.c_str() + frame + 18, nullptr);
        return traced;
    }

    XServer x;
    TempDir demo;
    TempDir elsewhere;
    std::unique_ptr<Process> player;
};

TEST_F(EditSession, TimeKeysPauseAndSeekAndTheNextFrameShowsIt) {
    demo.write("time.txt", "0 30 a = 1\n7 30 b = 2\n12,5 30 c = 3\n");
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NE(waitForOutput(*player, "a = 1", 5), std::string::npos);
    pause(300);
    Traced paused = press(XK_space, "Paused:");
    ASSERT_FALSE(std::isnan(paused.from)) << player->output().substr(0, 500);
    const double held = paused.from;
    EXPECT_NEAR(paused.nextFrame, held, 0.0015) << "paused frames show the held time";

    struct Step {
        unsigned long keysym;
        bool shift;
        double to;
    };
    const Step steps[] = {
        {XK_Home, false, 0.0},   {XK_Right, false, 1.0}, {XK_Right, true, 11.0}, {XK_Left, false, 10.0},
        {XK_Next, false, 12.5},  {XK_Prior, false, 7.0}, {XK_Prior, false, 0.0},
        {XK_Next, false, 7.0},            {XK_Right, true, 17.0},      {XK_Right, true, 27.0},
        {XK_Right, true, 30.0},  // clamped to the last moment before the end
        {XK_Next, false, NAN},   // no later mark: nothing happens
        {XK_Home, false, 0.0},
    };
    double now = held;
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.keysym) + (step.shift ? " with Shift" : "") + " from " + std::to_string(now));
        if (std::isnan(step.to)) {
            std::size_t mark = player->output().size();
            x.typeKeysym(step.keysym);
            pause(300);
            EXPECT_EQ(player->output().find("Seek:", mark), std::string::npos);
            continue;
        }
        Traced seek = press(step.keysym, "Seek:", step.shift);
        EXPECT_NEAR(seek.from, now, 0.0015) << seek.line;
        EXPECT_NEAR(seek.to, step.to, 0.0015) << seek.line;
        EXPECT_NEAR(seek.nextFrame, seek.to, 0.0015) << "the next frame shows the new time, still paused";
        now = seek.to;
    }
    Traced resumed = press(XK_space, "Resumed:");
    EXPECT_NEAR(resumed.from, 0.0, 0.0015);
    pause(300);
    quit();
    std::vector<double> times = frameTimes(player->output().substr(player->output().rfind("Resumed:")));
    ASSERT_GE(times.size(), 3u);
    EXPECT_LT(times.front(), 0.05);
    EXPECT_GT(times.back(), 0.2) << "time runs again after resuming";
}

TEST_F(EditSession, APauseStopsTheMusicAndResumingContinuesFromTheSameSample) {
    const std::string music = encodeTone(demo, ToneSpec{.seconds = 4.0});
    demo.write("demo.ogg", music);
    demo.write("time.txt", "0 100 x = gtime()\n");
    AlsaTestDevice device;
    ASSERT_NO_FATAL_FAILURE(start(device.environment()));
    ASSERT_NE(waitForOutput(*player, "x = ", 5), std::string::npos);
    pause(700);
    Traced paused = press(XK_space, "Paused:");
    ASSERT_FALSE(std::isnan(paused.from));
    // What the device had taken in plays out (the test device holds about a
    // second of it); then nothing more comes while the demo stays paused.
    std::size_t playedAtPause = device.captured().size();
    for (int waited = 0; waited < 40; ++waited) {
        pause(250);
        std::size_t now = device.captured().size();
        if (now == playedAtPause) break;
        playedAtPause = now;
    }
    const std::size_t framesAtPause = frameTimes(player->output()).size();
    pause(800);
    EXPECT_EQ(device.captured().size(), playedAtPause) << "no sound while paused";
    std::vector<double> during = frameTimes(player->output());
    ASSERT_GT(during.size(), framesAtPause + 5) << "frames keep coming while paused";
    for (std::size_t i = framesAtPause; i < during.size(); ++i) ASSERT_EQ(during[i], paused.from);

    Traced resumed = press(XK_space, "Resumed:");
    EXPECT_EQ(resumed.from, paused.from);
    pause(800);
    quit();

    std::vector<double> after = frameTimes(player->output().substr(player->output().rfind("Resumed:")));
    ASSERT_GE(after.size(), 3u);
    EXPECT_GE(after.front(), paused.from);
    EXPECT_LT(after.front(), paused.from + 0.1) << "the clock goes on from where it stood";
    EXPECT_GT(after.back(), paused.from + 0.5);

    // The sound: the music from its first sample up to the pause, silence,
    // then the music again from the very next sample, nothing skipped or
    // played twice.
    Pcm played = stereoPcm(device.captured(), 44100);
    Pcm reference = decodeReference(music);
    std::int64_t start = findFrames(played, 0, reference, 0);
    ASSERT_GE(start, 0);
    std::int64_t beforePause = matchingFrames(played, start, reference, 0);
    EXPECT_GT(beforePause, 44100 / 2);
    std::int64_t resumedAt = start + beforePause;
    while (resumedAt < played.frames() && silent(played, resumedAt, resumedAt + 1)) ++resumedAt;
    ASSERT_LT(resumedAt, played.frames()) << "the music went on after resuming";
    EXPECT_GT(matchingFrames(played, resumedAt, reference, beforePause), 44100 / 4);
}

TEST_F(EditSession, OnTheTimerClockTheMusicsValuesAfterASeekAreThoseOfItsTime) {
    // No sound output: the timer clock plays, and the pictures still follow
    // demo.ogg. A new tone every second.
    const std::string music = encodeTone(demo, ToneSpec{.seconds = 12.0, .frequency = 300.0, .step = 200.0});
    demo.write("demo.ogg", music);
    demo.write("time.txt", "0 12 b = bands()\n0 12 l = level()\n");
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NE(waitForOutput(*player, "l = ", 5), std::string::npos);
    ASSERT_FALSE(std::isnan(press(XK_space, "Paused:").from));

    analysis::MusicAnalysis reference{FileData(music)};
    // The values the trace prints at `t`.
    auto expectedAt = [&](float t) {
        reference.prepare(t);
        const std::array<float, analysis::bandCount> b = analysis::bandsAt(reference.table(), t);
        char text[128];
        std::snprintf(text, sizeof text, "b = [%f,%f,%f,%f]\nl = %f\n", b[0], b[1], b[2], b[3],
                      analysis::levelAt(reference.table(), t));
        return std::string(text);
    };
    struct Step {
        unsigned long keysym;
        bool shift;
        float to;
    };
    const Step steps[] = {{XK_Home, false, 0.0f}, {XK_Right, true, 10.0f}, {XK_Left, false, 9.0f},
                          {XK_Home, false, 0.0f}, {XK_Right, false, 1.0f},  {XK_Right, true, 11.0f}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.to);
        Traced seek = press(step.keysym, "Seek:", step.shift);
        ASSERT_EQ(seek.to, step.to) << seek.line;
        // The first frame after the seek, at the time the clock then reads
        // (the timer clock counts milliseconds: 11 s may read 11.000001).
        const std::size_t at = waitForOutput(*player, "----------------- ", 5, player->output().find(seek.line));
        ASSERT_NE(at, std::string::npos);
        ASSERT_NE(waitForOutput(*player, "l = ", 5, at), std::string::npos);
        const std::string out = player->output();
        const std::size_t values = out.find('\n', at) + 1;
        const float t = std::strtof(out.c_str() + at + 18, nullptr);
        EXPECT_NEAR(t, step.to, 0.0015);
        EXPECT_EQ(out.substr(values, out.find('\n', out.find("l = ", values)) + 1 - values), expectedAt(t));
    }
    EXPECT_NE(expectedAt(1.0f), expectedAt(11.0f)) << "the music changes";
    quit();
}

TEST_F(EditSession, AShaderThatDoesNotBuildKeepsThePictureUntilItIsFixed) {
    demo.write("time.txt", "0 1000 #fill\n");
    demo.write("fill.ps", "void main() { not glsl }\n");
    demo.write("demo.ogg", encodeTone(demo, ToneSpec{.seconds = 1.0}));
    AlsaTestDevice noOutput = AlsaTestDevice::withoutOutput();
    ASSERT_NO_FATAL_FAILURE(start(noOutput.environment()));
    EXPECT_TRUE(waitForErrors("fill.ps did not build, the last good version stays:\nError in fill.ps:"))
        << player->errors();
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0x000000, 5), 0x000000)) << "nothing built yet";

    demo.write("fill.ps", fillShader("1.0, 0.0, 0.0"));
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0xff0000, 5), 0xff0000));
    demo.write("fill.ps", "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0) }\n");
    EXPECT_TRUE(waitForErrors("fill.ps did not build", 2)) << player->errors();
    pause(300);
    EXPECT_TRUE(coloursNear(x.pixel(x.width() / 2, x.height() / 2), 0xff0000)) << "the last good program draws";
    EXPECT_TRUE(player->running());

    demo.write("fill.ps", fillShader("0.0, 0.0, 1.0"));
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0x0000ff, 5), 0x0000ff));
    quit();
    const std::string errors = player->errors();
    const std::string noSound = "there is no usable sound output, so the demo plays on the timer clock";
    EXPECT_NE(errors.find(noSound), std::string::npos) << errors;
    EXPECT_EQ(errors.find(noSound), errors.rfind(noSound)) << "said once";
    EXPECT_NE(errors.find("fill.ps builds again\n"), std::string::npos);
}

TEST_F(EditSession, ATimelineThatDoesNotBuildKeepsThePictureUntilItIsFixed) {
    demo.write("fill.ps", "precision mediump float;\nuniform vec3 colour;\n"
                          "void main() { gl_FragColor = vec4(colour, 1.0); }\n");
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_TRUE(waitForErrors("There is no time.txt here yet")) << player->errors();

    demo.write("time.txt", "0 1000 colour = [1, 0, 0]\n0 1000 #fill\n");
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0xff0000, 5), 0xff0000));
    demo.write("time.txt", "0 1000 colour = [0, 1, 0\n0 1000 #fill\n");
    EXPECT_TRUE(waitForErrors("time.txt did not build, the last good version stays:\n"
                              "time.txt:1: Expected right square bracket"))
        << player->errors();
    pause(300);
    EXPECT_TRUE(coloursNear(x.pixel(x.width() / 2, x.height() / 2), 0xff0000)) << "the last good timeline plays";
    const std::string out = player->output();
    EXPECT_EQ(out.substr(out.rfind("colour = ")), "colour = [1.000000,0.000000,0.000000]\n");

    demo.write("time.txt", "0 1000 colour = [0, 0, 1]\n0 1000 #fill\n");
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0x0000ff, 5), 0x0000ff));
    quit();
}

}  // namespace
}  // namespace quadrelume
