// How quadrelume-capture ends when it cannot or must not finish: refusals
// that come before the trace is opened and leave the demo alone, signals at
// any point (a slow frame, the encoders' final flush), a trace pipe whose
// reader goes away, running out of memory or file size. Every way out but
// SIGKILL says why and leaves none of the output behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "capture_support.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

constexpr const char* fillShader =
    "precision mediump float;\nuniform float c;\nvoid main() { gl_FragColor = vec4(c, 0.5, 0.2, 1.0); }\n";

// Each pixel sums thousands of terms: seconds per frame in software GL.
constexpr const char* slowShader =
    "precision highp float;\nuniform vec2 resolution;\n"
    "void main() {\n"
    "    vec2 p = gl_FragCoord.xy / resolution;\n"
    "    float v = 0.0;\n"
    "    for (int i = 0; i < 4000; ++i) v += sin(p.x * float(i)) * cos(p.y * float(i));\n"
    "    gl_FragColor = vec4(fract(v), p, 1.0);\n"
    "}\n";

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool holdsTemporary(const std::string& folder) {
    for (const std::string& name : entriesOf(folder))
        if (name.size() > 5 && name.front() == '.' && name.substr(name.size() - 5) == ".part") return true;
    return false;
}

// Runs `script` with bash in `folder`, without DISPLAY.
std::unique_ptr<Process> startScript(const std::string& script, const std::string& folder) {
    return std::make_unique<Process>(std::vector<std::string>{"/bin/bash", "-c", script}, folder,
                                     std::map<std::string, std::string>{{"DISPLAY", ""}});
}

TEST(CaptureExits, RefusalsComeBeforeTheTraceIsOpenedAndLeaveTheDemoAlone) {
    TempDir demo;
    const std::string timeline = "0 2 c = lin(0, 1)\n0 2 #fill\n";
    demo.write("time.txt", timeline);
    demo.write("fill.ps", fillShader);
    std::filesystem::create_directories(demo.file("out"));
    std::filesystem::create_directories(demo.file("v.mp4"));
    TempDir endless;
    endless.write("time.txt", "0 inf x = 1\n");
    TempDir late;
    late.write("time.txt", "0 2e17 x = 1\n");
    struct Case {
        const TempDir& folder;
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        {demo, {"--trace", "time.txt", "out/v.mp4"}, "one of the demo's own files"},
        {demo, {"--trace", "./out/../fill.ps", "out/v.mp4"}, "one of the demo's own files"},
        {demo, {"--trace", "sync.txt", "out/v.mp4"}, "one of the demo's own files"},
        {demo, {"--trace", "out/../camera:x.track", "out/v.mp4"}, "one of the demo's own files"},
        {demo, {"--trace", "out/v.mp4", "out/v.mp4"}, "that is the output"},
        {demo, {"--trace", "t.txt", "--from", "5", "out/v.mp4"}, "nothing to capture"},
        {demo, {"--trace", "t.txt", "--size", "20000x36", "out/v.mp4"}, "this GL draws at most"},
        {demo, {"--trace", "t.txt", "--size", "16384x16384", "out/v.mp4"}, "too large for FFmpeg's video encoders"},
        {demo, {"--fps", "0.0001", "out/v.mp4"}, "a frame rate from 1 to 1000"},
        {demo, {"v.mp4"}, "this is a folder, named like a file"},
        {endless, {"--trace", "t.txt", "v.mp4"}, "the timeline ends at inf s"},
        {late, {"--trace", "t.txt", "v.mp4"}, "the timeline ends at 2e+17 s"},
    };
    std::vector<std::unique_ptr<Process>> runs;
    for (const Case& c : cases) runs.push_back(startCaptureProgram(c.arguments, c.folder.path()));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        std::string line;
        for (const std::string& argument : cases[i].arguments) line += argument + " ";
        CaptureRun run{runs[i]->waitForExit(20).value_or(-1), runs[i]->errors()};
        EXPECT_EQ(run.code, 2) << line << run.errors;
        EXPECT_NE(run.errors.find(cases[i].message), std::string::npos) << line << run.errors;
    }
    EXPECT_EQ(entriesOf(demo.path()), (std::vector<std::string>{"fill.ps", "out", "time.txt", "v.mp4"}));
    EXPECT_TRUE(entriesOf(demo.file("out")).empty());
    EXPECT_TRUE(entriesOf(demo.file("v.mp4")).empty());
    EXPECT_EQ(readFileText(demo.file("time.txt")), timeline);
    EXPECT_EQ(readFileText(demo.file("fill.ps")), fillShader);
    EXPECT_EQ(entriesOf(endless.path()), std::vector<std::string>{"time.txt"});
    EXPECT_EQ(entriesOf(late.path()), std::vector<std::string>{"time.txt"});
}

TEST(CaptureExits, InterruptionsAndABrokenTracePipeEndTheCaptureAndLeaveNothing) {
    TempDir slow;
    slow.write("time.txt", "0 100 #slow\n");
    slow.write("slow.ps", slowShader);
    std::filesystem::create_directories(slow.file("frames"));
    std::filesystem::create_directories(slow.file("video"));
    TempDir quick;
    quick.write("time.txt", "0 100 c = lin(0, 1)\n0 100 #fill\n");
    quick.write("fill.ps", fillShader);

    // A second request during a slow frame: ended at once, cleaned up all
    // the same.
    auto frames = startCaptureProgram({"--size", "640x360", "--fps", "10", "frames"}, slow.path());
    auto video = startCaptureProgram({"--size", "640x360", "--fps", "10", "video/v.mp4"}, slow.path());
    ASSERT_TRUE(waitFor([&] { return holdsTemporary(slow.file("frames")) && holdsTemporary(slow.file("video")); }, 30));
    pause(300);
    for (int request = 0; request < 2; ++request) {
        ::kill(frames->pid(), SIGINT);
        ::kill(video->pid(), SIGTERM);
        pause(200);
    }
    EXPECT_EQ(frames->waitForExit(5), 130) << frames->errors();
    EXPECT_EQ(video->waitForExit(5), 130) << video->errors();
    EXPECT_NE(frames->errors().find("interrupted; nothing was written"), std::string::npos) << frames->errors();
    EXPECT_TRUE(entriesOf(slow.file("frames")).empty());
    EXPECT_TRUE(entriesOf(slow.file("video")).empty());

    // One request while the encoder finishes what it holds back, after the
    // last frame was drawn.
    auto flushing = startCaptureProgram({"--size", "1920x1080", "--fps", "30", "--to", "1", "--trace", "trace.txt", "f.webm"},
                                        quick.path());
    ASSERT_TRUE(waitFor([&] { return readFileText(quick.file("trace.txt")).find("----------------- 0.966") !=
                                     std::string::npos; }, 60))
        << flushing->errors();
    ::kill(flushing->pid(), SIGINT);
    EXPECT_EQ(flushing->waitForExit(5), 130) << flushing->errors();
    EXPECT_EQ(entriesOf(quick.path()), (std::vector<std::string>{"fill.ps", "time.txt", "trace.txt"}));

    // The reader of a piped trace has seen what it wanted and gone.
    auto piped = startScript(std::string(QUADRELUME_CAPTURE) +
                                 " --size 320x180 --fps 30 --trace /dev/stdout p.mp4 | grep -m1 'c = '; "
                                 "exit ${PIPESTATUS[0]}",
                             quick.path());
    EXPECT_EQ(piped->waitForExit(30), 1) << piped->errors();
    EXPECT_NE(piped->errors().find("--trace /dev/stdout: cannot be written any more"), std::string::npos)
        << piped->errors();
    EXPECT_EQ(entriesOf(quick.path()), (std::vector<std::string>{"fill.ps", "time.txt", "trace.txt"}));
}

TEST(CaptureExits, RunningOutOfMemoryOrFileSizeEndsWithOneAndLeavesNothing) {
    TempDir demo;
    demo.write("time.txt", "0 10 #noise\n");
    // Noise compresses badly: every PNG frame is large.
    demo.write("noise.ps",
               "precision highp float;\nuniform float time;\n"
               "void main() {\n"
               "    float n = fract(sin(dot(gl_FragCoord.xy + time, vec2(12.9898, 78.233))) * 43758.5453);\n"
               "    gl_FragColor = vec4(n, 0.3, 0.7, 1.0);\n"
               "}\n");
    std::filesystem::create_directories(demo.file("big"));
    std::filesystem::create_directories(demo.file("full"));
    const std::string capture = QUADRELUME_CAPTURE;
    // A file size limit with its signal ignored, as a shell or a batch
    // system may set them: writes past it fail.
    auto full = startScript("trap '' XFSZ; ulimit -f 50; exec " + capture + " --size 320x240 --fps 10 full", demo.path());
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves terabytes of address space: no limit on it
    // leaves the program room to start.
    std::unique_ptr<Process> big;
#else
    // Address space for the GL framebuffer of 1 GiB and one frame buffer of
    // the same size, not the three the capture wants.
    auto big = startScript("ulimit -v 3000000; exec " + capture + " --size 16384x16384 --fps 1 --to 1 big", demo.path());
#endif
    CaptureRun fileSize = finishRun(*full);
    EXPECT_EQ(fileSize.code, 1) << fileSize.errors;
    EXPECT_NE(fileSize.errors.find("File too large"), std::string::npos) << fileSize.errors;
    EXPECT_EQ(fileSize.errors.find("libpng"), std::string::npos) << fileSize.errors;
    EXPECT_TRUE(entriesOf(demo.file("full")).empty());
    if (big) {
        CaptureRun memory = finishRun(*big);
        EXPECT_EQ(memory.code, 1) << memory.errors;
        EXPECT_NE(memory.errors.find("not enough memory for frames of 16384x16384"), std::string::npos) << memory.errors;
        EXPECT_TRUE(entriesOf(demo.file("big")).empty());
    }
}

TEST(CaptureExits, AFolderEndsUpHoldingExactlyTheNewFramesAndLongNamesWork) {
    TempDir demo;
    demo.write("time.txt", "0 1 c = lin(0, 1)\n0 1 #fill\n");
    demo.write("fill.ps", fillShader);
    std::filesystem::create_directories(demo.file("frames"));
    demo.write("frames/notes.txt", "mine\n");
    CaptureRun longer = runCaptureProgram({"--size", "64x36", "--fps", "20", "frames"}, demo.path());
    ASSERT_EQ(longer.code, 0) << longer.errors;
    CaptureRun shorter = runCaptureProgram({"--size", "64x36", "--fps", "5", "frames"}, demo.path());
    EXPECT_EQ(shorter.code, 0) << shorter.errors;
    EXPECT_EQ(entriesOf(demo.file("frames")),
              (std::vector<std::string>{"00000.png", "00001.png", "00002.png", "00003.png", "00004.png", "notes.txt"}));

    // The longest name the file system takes, whose hidden temporary name
    // would be longer still.
    const std::string name = std::string(251, 'n') + ".mp4";
    CaptureRun named = runCaptureProgram({"--size", "64x36", name}, demo.path());
    EXPECT_EQ(named.code, 0) << named.errors;
    EXPECT_TRUE(std::filesystem::exists(demo.file(name)));
    EXPECT_EQ(entriesOf(demo.path()).size(), 4u);
}

}  // namespace
}  // namespace quadrelume
