// What the editing session shows and where: its window (--window, F11,
// --on-top, resizing), its overlay (the error panel, the time bar, F1) and
// its quiet terminal (--trace), with the real player under a private X
// server, with a window manager where the test needs one.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <cmath>
#include <cstdio>
#include <set>

#include "player_support.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

constexpr double startSeconds = 20.0;
constexpr double exitSeconds = 10.0;

// Colours every pixel by where it lies in the viewport: red from 0 at the
// left to 1 at the right, green the same from the bottom to the top.
constexpr const char* gradientShader =
    "precision mediump float;\nuniform vec2 resolution;\n"
    "void main() { gl_FragColor = vec4(gl_FragCoord.xy / resolution, 0.0, 1.0); }\n";

std::string fillShader(const char* rgb) {
    return std::string("precision mediump float;\nvoid main() { gl_FragColor = vec4(") + rgb + ", 1.0); }\n";
}

class EditView : public ::testing::Test {
protected:
    // Starts the player in the demo folder with `arguments`, from another
    // directory, and waits for its window.
    void start(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), QUADRELUME_PLAYER);
        arguments.push_back(demo.path());
        player = std::make_unique<Process>(arguments, elsewhere.path(),
                                           std::map<std::string, std::string>{{"DISPLAY", x.name()}});
        auto found = x.waitForWindow("Quadrelume", startSeconds);
        ASSERT_TRUE(found.has_value()) << "no window; the player " << (player->running() ? "runs" : "has ended")
                                       << "; stderr: " << player->errors() << "\nwindows:\n"
                                       << x.describeWindows();
        window = *found;
    }

    void quit() {
        x.typeKeysym(XK_Escape);
        EXPECT_EQ(player->waitForExit(exitSeconds), 0) << player->errors();
    }

    // The colour at the centre of the player's window.
    unsigned windowCentre() {
        WindowGeometry now = x.geometry(window.id);
        return x.pixel(now.x + now.width / 2, now.y + now.height / 2);
    }

    XServer x;
    TempDir demo;
    TempDir elsewhere;
    std::unique_ptr<Process> player;
    WindowGeometry window;
};

TEST_F(EditView, TheWindowFollowsItsOptionsGoesToFullScreenAndBackAndResizes) {
    ASSERT_NO_THROW(x.startWindowManager());
    demo.write("time.txt", "0 1000 #uv\n");
    demo.write("uv.ps", gradientShader);
    ASSERT_NO_FATAL_FAILURE(start({"--edit", "--window", "480x270+40+30", "--on-top"}));
    EXPECT_EQ(window.width, 480);
    EXPECT_EQ(window.height, 270);
    auto frame = x.frameExtents(window.id);
    ASSERT_TRUE(frame.has_value()) << "framed by the window manager";
    EXPECT_GT((*frame)[2], 0) << "it has a title bar";
    EXPECT_EQ(window.x - (*frame)[0], 40) << "the frame's corner goes where --window says";
    EXPECT_EQ(window.y - (*frame)[2], 30);
    EXPECT_TRUE(x.hasWindowState(window.id, "_NET_WM_STATE_ABOVE"));

    struct Form {
        const char* what;
        int x, y, width, height;
    };
    const Form forms[] = {
        {"full screen", 0, 0, x.width(), x.height()},
        {"framed again, where it was", window.x, window.y, 480, 270},
        {"full screen again", 0, 0, x.width(), x.height()},
        {"framed again", window.x, window.y, 480, 270},
    };
    for (const Form& form : forms) {
        x.focus(window.id);
        x.typeKeysym(XK_F11);
        WindowGeometry now;
        EXPECT_TRUE(waitFor(
            [&] {
                now = x.geometry(window.id);
                return now.x == form.x && now.y == form.y && now.width == form.width && now.height == form.height;
            },
            5))
            << form.what << ": " << now.width << "x" << now.height << "+" << now.x << "+" << now.y;
    }
    EXPECT_TRUE(x.hasWindowState(window.id, "_NET_WM_STATE_ABOVE")) << "still on top";

    // The overlay away, the window's centre shows the gradient's middle at
    // any size, once resolution and the viewport follow the window.
    x.typeKeysym(XK_F1);
    EXPECT_TRUE(waitFor([&] { return coloursNear(windowCentre(), 0x808000, 6); }, 5)) << std::hex << windowCentre();
    x.resizeWindow(window.id, 320, 180);
    ASSERT_TRUE(waitFor([&] { return x.geometry(window.id).width == 320; }, 5));
    EXPECT_TRUE(waitFor([&] { return coloursNear(windowCentre(), 0x808000, 6); }, 5))
        << std::hex << windowCentre();
    // The right edge reaches full red, which a stale resolution (480 wide)
    // would not: it would stop at two thirds.
    WindowGeometry now = x.geometry(window.id);
    unsigned edge = x.pixel(now.x + now.width - 1, now.y + now.height / 2);
    EXPECT_GE(static_cast<int>(edge >> 16), 250) << std::hex << edge;
    quit();
}

TEST_F(EditView, WithTheOverlayHiddenTheFrameIsThePlainPlayers) {
    // Two effects, the second blended by destination alpha, and a texture-free
    // gradient: any state the overlay left behind would change them.
    demo.write("time.txt", "0 1000 tint = [0.2, 0.5, 0.9]\n0 1000 #base\n0 1000 #glaze\n");
    demo.write("base.ps", "precision mediump float;\nuniform vec2 resolution;\nuniform vec3 tint;\n"
                          "void main() { vec2 p = gl_FragCoord.xy / resolution;\n"
                          "  gl_FragColor = vec4(tint * vec3(p, 1.0 - p.x), 0.5 + 0.5 * p.y); }\n");
    demo.write("glaze.ps", "//QUADRELUME_BLEND\nprecision mediump float;\n"
                           "void main() { float s = step(0.5, fract(gl_FragCoord.x / 64.0));\n"
                           "  gl_FragColor = vec4(s, 0.3, 1.0 - s, 0.6); }\n");

    player = std::make_unique<Process>(std::vector<std::string>{QUADRELUME_PLAYER}, demo.path(),
                                       std::map<std::string, std::string>{{"DISPLAY", x.name()}});
    ASSERT_TRUE(x.waitForWindow("Quadrelume", startSeconds).has_value()) << player->errors();
    ASSERT_NE(waitForOutput(*player, "tint = ", 10), std::string::npos);
    pause(500);
    const std::vector<unsigned> plain = x.screenshot();
    quit();

    ASSERT_NO_FATAL_FAILURE(start({"--edit", "--fullscreen"}));
    pause(1000);  // the overlay is drawn over a few frames first
    const std::vector<unsigned> shown = x.screenshot();
    x.typeKeysym(XK_F1);
    pause(500);
    const std::vector<unsigned> hidden = x.screenshot();
    quit();

    auto differing = [](const std::vector<unsigned>& a, const std::vector<unsigned>& b) {
        std::size_t count = 0;
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) count += a[i] != b[i];
        return count;
    };
    EXPECT_GT(differing(plain, shown), 1000u) << "the overlay shows until F1";
    EXPECT_EQ(differing(plain, hidden), 0u) << "hidden, it leaves the demo's frame exactly as it is";
}

// Whether the error panel shows: a band of dark red over the lower half of
// the screen, where the demo itself draws only green or blue.
bool panelShows(const std::vector<unsigned>& screen, int width, int height) {
    int reddish = 0;
    for (int y = height / 2; y < height; ++y) {
        for (int x = 0; x < width; x += 4) {
            unsigned p = screen[static_cast<std::size_t>(y) * width + x];
            int r = static_cast<int>(p >> 16) & 255, g = static_cast<int>(p >> 8) & 255, b = static_cast<int>(p) & 255;
            reddish += r > 50 && r * 2 > g * 3 && r * 2 > b * 3;
        }
    }
    return reddish > 500;
}

TEST_F(EditView, TheErrorPanelShowsOverTheLastGoodPictureUntilTheFileBuilds) {
    demo.write("time.txt", "0 1000 #fill\n");
    demo.write("fill.ps", fillShader("0.0, 1.0, 0.0"));
    ASSERT_NO_FATAL_FAILURE(start({"--edit", "--fullscreen"}));
    const int w = x.width();
    const int h = x.height();
    ASSERT_TRUE(coloursNear(waitForCentreColour(x, 0x00ff00, 10), 0x00ff00));
    EXPECT_FALSE(panelShows(x.screenshot(), w, h));

    demo.write("fill.ps", "precision mediump float;\nvoid main() {\n  gl_FragColor = vec4(0.0, 0.0, 1.0, 1.0)\n}\n");
    EXPECT_TRUE(waitFor([&] { return panelShows(x.screenshot(), w, h); }, 5)) << player->errors();
    EXPECT_TRUE(coloursNear(x.pixel(w / 2, h / 2), 0x00ff00)) << "the last good picture stays around the panel";

    // From the save that builds on, every frame shows either the old picture
    // with the panel or the new one without it, never a mix.
    demo.write("fill.ps", fillShader("0.0, 0.0, 1.0"));
    int frames = 0;
    bool built = false;
    for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         !built && std::chrono::steady_clock::now() < deadline; ++frames) {
        std::vector<unsigned> screen = x.screenshot();
        unsigned centre = screen[static_cast<std::size_t>(h / 2) * w + w / 2];
        built = coloursNear(centre, 0x0000ff);
        EXPECT_EQ(panelShows(screen, w, h), !built) << "sample " << frames << " centre " << std::hex << centre;
    }
    EXPECT_TRUE(built);
    EXPECT_NE(player->errors().find("fill.ps builds again"), std::string::npos);

    // A timeline that does not build names its line, on standard error and
    // in the panel.
    demo.write("time.txt", "0 1000 #fill\n0 1000 x = \n");
    EXPECT_TRUE(waitFor([&] { return panelShows(x.screenshot(), w, h); }, 5));
    EXPECT_NE(player->errors().find("time.txt did not build, the last good version stays:\n"
                                    "time.txt:2: Unexpected end when parsing expr\n"),
              std::string::npos)
        << player->errors();
    demo.write("time.txt", "0 1000 #fill\n");
    EXPECT_TRUE(waitFor([&] { return !panelShows(x.screenshot(), w, h); }, 5));
    quit();
    EXPECT_EQ(player->output(), "") << "nothing on standard output but the session's own lines";
}

TEST_F(EditView, AClickOnTheTimeBarSeeksThereAndSaysWhereTo) {
    demo.write("time.txt", "0 40 a = gtime()\n");
    ASSERT_NO_FATAL_FAILURE(start({"--edit", "--fullscreen", "--trace", "-"}));
    ASSERT_NE(waitForOutput(*player, "a = ", 10), std::string::npos);
    x.typeKeysym(XK_space);
    ASSERT_NE(waitForOutput(*player, "Paused:", 5), std::string::npos);
    // ImGui lays a new panel out over its first frames; a person clicks later.
    const std::size_t framesAtPause = frameTimes(player->output()).size();
    ASSERT_TRUE(waitFor([&] { return frameTimes(player->output()).size() > framesAtPause + 10; }, 5));

    // The bar runs along the bottom, inside the panel's margin and padding
    // (16 pixels each side), and stands for 0 to the end time (40 s).
    struct Click {
        double fraction;
        double time;
    };
    for (const Click& click : {Click{0.25, 10.0}, Click{0.75, 30.0}, Click{0.5, 20.0}}) {
        std::size_t mark = player->output().size();
        x.clickAt(16 + static_cast<int>(click.fraction * (x.width() - 32)), x.height() - 40);
        std::size_t at = waitForOutput(*player, "Seek:", 5, mark);
        ASSERT_NE(at, std::string::npos) << "no seek for a click at " << click.fraction;
        double from = NAN;
        double to = NAN;
        std::sscanf(player->output().c_str() + at, "Seek:%lf -> %lf", &from, &to);
        EXPECT_NEAR(to, click.time, 0.1);
        std::size_t frame = waitForOutput(*player, "----------------- ", 5, at);
        ASSERT_NE(frame, std::string::npos);
        EXPECT_NEAR(std::strtod(player->output().c_str() + frame + 18, nullptr), to, 0.0015)
            << "the next frame shows where the click went, still paused";
    }
    quit();
}

// `trace` without its pointer lines, which depend on where the pointer was
// when the window opened under it.
std::string withoutPointer(const std::string& trace) {
    std::string kept;
    for (std::size_t at = 0; at < trace.size();) {
        std::size_t end = trace.find('\n', at);
        end = end == std::string::npos ? trace.size() : end + 1;
        if (trace.compare(at, 10, "MouseMove:") != 0) kept.append(trace, at, end - at);
        at = end;
    }
    return kept;
}

// The lines of a trace with the times of the frame lines taken out.
std::set<std::string> frameLines(const std::string& trace) {
    std::set<std::string> lines;
    std::size_t first = trace.find("----------------- ");
    for (std::size_t at = first; at != std::string::npos && at < trace.size();) {
        std::size_t end = trace.find('\n', at);
        std::string line = trace.substr(at, end - at);
        if (line.rfind("----------------- ", 0) == 0) line = "-----------------";
        lines.insert(line);
        at = end == std::string::npos ? end : end + 1;
    }
    return lines;
}

TEST_F(EditView, TheTraceGoesWhereTraceSaysAndTheTerminalStaysQuiet) {
    demo.write("time.txt", "0 1000 b = [1, 2]\n0 1000 a = 1\n0 1000 #fill\n");
    demo.write("fill.ps", fillShader("0.5, 0.5, 0.5"));

    player = std::make_unique<Process>(std::vector<std::string>{QUADRELUME_PLAYER}, demo.path(),
                                       std::map<std::string, std::string>{{"DISPLAY", x.name()}});
    ASSERT_TRUE(x.waitForWindow("Quadrelume", startSeconds).has_value()) << player->errors();
    pause(800);
    quit();
    const std::string plain = withoutPointer(player->output());

    ASSERT_NO_FATAL_FAILURE(start({"--edit", "--trace", "trace.txt"}));
    // A loaded machine (a sanitized build, say) may take a while to its
    // sixth frame; wait for it rather than for a fixed time.
    waitFor([&] { return frameTimes(readFileText(elsewhere.path() + "/trace.txt")).size() > 5; }, 10.0);
    quit();
    EXPECT_EQ(player->output(), "");
    EXPECT_EQ(player->errors(), "");
    const std::string traced = withoutPointer(readFileText(elsewhere.path() + "/trace.txt"));
    ASSERT_GT(frameTimes(traced).size(), 5u);
    EXPECT_EQ(traced.substr(0, traced.find("-----------------")), plain.substr(0, plain.find("-----------------")))
        << "the same loading lines";
    EXPECT_EQ(frameLines(traced), frameLines(plain)) << "the same frame lines";
    EXPECT_EQ(frameLines(traced),
              (std::set<std::string>{"-----------------", "a = 1.000000", "b = [1.000000,2.000000]"}));

    ASSERT_NO_FATAL_FAILURE(start({"--edit"}));
    pause(800);
    quit();
    EXPECT_EQ(player->output(), "") << "no trace by default";
    EXPECT_EQ(player->errors(), "");
}

}  // namespace
}  // namespace quadrelume
