// The overlay's logic that needs no window: the faults read from a build's
// message, the pointer as ImGui gets it between frames, and whole frames
// drawn on a headless GL context.
#include <gtest/gtest.h>

#include <GLES2/gl2.h>
#include <imgui.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "overlay/build_error.h"
#include "overlay/frame_meter.h"
#include "overlay/overlay.h"
#include "overlay/pointer_input.h"
#include "overlay/time_bar.h"
#include "shell/shell_state.h"
#include "support/gl_context.h"
#include "timeline/demo_loader.h"

namespace quadrelume::overlay {
namespace {

TEST(BuildError, NamesTheLineOfEachFault) {
    struct Case {
        const char* path;
        const char* message;
        std::vector<std::pair<int, std::string>> faults;
    };
    const Case cases[] = {
        {"time.txt", "time.txt:2: Unexpected end when parsing expr", {{2, "Unexpected end when parsing expr"}}},
        {"fill.ps",
         "Error in fill.ps:0:3(27): error: syntax error, unexpected '}'\n0:5(2): error: `x' undeclared\n\n",
         {{3, "error: syntax error, unexpected '}'"}, {5, "error: `x' undeclared"}}},
        {"fill.ps", "Error in fill.ps:0:12: error: no column\n", {{12, "error: no column"}}},
        {"tiles.png", "Only supporting 8bit per channel formats right now",
         {{0, "Only supporting 8bit per channel formats right now"}}},
        {"a.ps", "Error in <passVS> or in a.ps:error: linking failed", {{0, "error: linking failed"}}},
        // Another file's place, or a number that is not a place, is text.
        {"time.txt", "other.txt:2: no\n12 is not 0:x(1):", {{0, "other.txt:2: no"}, {0, "12 is not 0:x(1):"}}},
        {"time.txt", "", {}},
    };
    for (const Case& c : cases) {
        std::vector<Fault> faults = faultsOf(c.path, c.message);
        ASSERT_EQ(faults.size(), c.faults.size()) << c.message;
        for (std::size_t i = 0; i < faults.size(); ++i) {
            EXPECT_EQ(faults[i].line, c.faults[i].first) << c.message;
            EXPECT_EQ(faults[i].text, c.faults[i].second) << c.message;
        }
    }
}

platform::WindowEvent button(bool pressed, int x, int y) {
    platform::WindowEvent event{platform::WindowEvent::Kind::pointerButton};
    event.pressed = pressed;
    event.x = x;
    event.y = y;
    return event;
}

TEST(PointerInput, AClickBetweenTwoFramesIsSeenDownForOneFrameThenUp) {
    ImGuiContext* context = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    PointerInput pointer;
    pointer.applyTo(io);
    EXPECT_EQ(io.MousePos.x, -FLT_MAX) << "no position before the pointer came in";

    pointer.take(button(true, 40, 50));
    pointer.take(button(false, 40, 50));
    platform::WindowEvent wheel{platform::WindowEvent::Kind::wheel};
    wheel.wheelY = -1.0f;
    pointer.take(wheel);
    pointer.take(wheel);
    pointer.applyTo(io);
    EXPECT_TRUE(io.MouseDown[0]) << "the press is not lost";
    EXPECT_EQ(io.MousePos.x, 40.0f);
    EXPECT_EQ(io.MousePos.y, 50.0f);
    EXPECT_EQ(io.MouseWheel, -2.0f);
    pointer.applyTo(io);
    EXPECT_FALSE(io.MouseDown[0]) << "and the release shows in the next frame";
    EXPECT_EQ(io.MouseWheel, 0.0f);

    pointer.take(button(true, 1, 2));  // a drag: held over frames
    pointer.applyTo(io);
    pointer.applyTo(io);
    EXPECT_TRUE(io.MouseDown[0]);
    pointer.reset();
    pointer.applyTo(io);
    EXPECT_FALSE(io.MouseDown[0]);
    pointer.take(platform::WindowEvent{platform::WindowEvent::Kind::pointerLeave});
    pointer.applyTo(io);
    EXPECT_EQ(io.MousePos.x, -FLT_MAX);
    ImGui::DestroyContext(context);
}

TEST(TimeBar, MapsThePointerOntoTheTimelineWithinItsEnds) {
    EXPECT_FLOAT_EQ(timeAtPosition(116.0f, 16.0f, 400.0f, 40.0f), 10.0f);
    EXPECT_FLOAT_EQ(timeAtPosition(0.0f, 16.0f, 400.0f, 40.0f), 0.0f);
    EXPECT_FLOAT_EQ(timeAtPosition(900.0f, 16.0f, 400.0f, 40.0f), 40.0f);
    EXPECT_FLOAT_EQ(timeAtPosition(116.0f, 16.0f, 400.0f, 0.0f), 0.0f) << "an empty timeline";
}

TEST(FrameMeter, AveragesOverHalfSecondSpans) {
    FrameMeter meter;
    for (int i = 0; i < 16; ++i) meter.addFrame(0.03);
    EXPECT_EQ(meter.milliseconds(), 0.0) << "no complete span yet";
    meter.addFrame(0.03);
    EXPECT_NEAR(meter.milliseconds(), 30.0, 1e-9);
    EXPECT_NEAR(meter.framesPerSecond(), 1000.0 / 30.0, 1e-9);
    for (int i = 0; i < 3; ++i) meter.addFrame(0.125);
    EXPECT_NEAR(meter.milliseconds(), 30.0, 1e-9) << "the last complete span holds until the next is";
    meter.addFrame(0.125);
    EXPECT_NEAR(meter.milliseconds(), 125.0, 1e-9) << "a slow span shows";
}


// The overlay must never end a session, whatever the timeline holds: Dear
// ImGui's 16-bit indices stop at 65,536 vertices in a window's draw list,
// and Debian's build keeps the assertion that aborts past them.
TEST(OverlayUnderLoad, DrawsHugeTimelinesVariablesAndErrorsWithoutAborting) {
    testing::GlContext gl(1280, 720);
    windowWidth = gl.width();
    windowHeight = gl.height();
    // 30,000 lines starting at distinct times, all active at the end: a
    // mark and an active entry each. One of them holds a list of 20,000
    // numbers, which the variables panel shows on one line.
    std::string timeline = "0 100 big = [1";
    for (int i = 1; i < 20000; ++i) timeline += ", 1";
    timeline += "]\n";
    for (int i = 0; i < 30000; ++i)
        timeline += std::to_string(i * 0.003) + " 100 v" + std::to_string(i) + " = " + std::to_string(i) + "\n";
    FileData file(timeline);
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    std::unique_ptr<Demo> demo(loadDemo(&file, nowhere));
    demo->setTraceOutput(nowhere);
    demo->render(95.0f);
    ASSERT_EQ(demo->variables.size(), 30001u);

    // 5,000 faults in one file, and a fault of 100,000 characters on one line.
    std::string manyFaults;
    for (int i = 1; i <= 5000; ++i) manyFaults += "0:" + std::to_string(i) + "(1): error: x\n";
    const std::map<std::string, std::string> failures = {
        {"a.ps", "Error in a.ps:" + manyFaults},
        {"time.txt", "time.txt:3: " + std::string(100000, 'x')},
    };
    Overlay overlay;
    OverlayFrame frame;
    frame.time = 95.0f;
    frame.demo = demo.get();
    frame.failures = &failures;
    frame.frameSeconds = 1.0 / 60.0;
    frame.width = gl.width();
    frame.height = gl.height();
    for (int i = 0; i < 3; ++i) overlay.draw(frame);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    std::fclose(nowhere);
}
}  // namespace
}  // namespace quadrelume::overlay
