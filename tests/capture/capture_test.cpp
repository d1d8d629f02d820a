// quadrelume-capture on real demo folders, with DISPLAY unset: PNG frames
// that repeat byte for byte and equal the player's drawing, and the refusals
// and failures that leave nothing behind.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "shell/shell_state.h"
#include "capture_support.h"
#include "clock/music_fixtures.h"
#include "reload/file_data.h"
#include "render/texture_image.h"
#include "support/gl_context.h"
#include "support/png_writer.h"
#include "support/temp_dir.h"
#include "timeline/demo_loader.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

constexpr int width = 64;
constexpr int height = 36;

// Script variables (one time-dependent), a time-dependent shader with a
// white band along its top rows, and a textured overlay blended over it from
// t = 1; halt() at 1.5.
void writeDemo(const TempDir& demo) {
    demo.write("time.txt",
               "0 3 colour = [lin(0, 1), 0.5, gtime() * 0.25]\n"
               "0 3 #sky\n"
               "1 3 fade = lin(0, 1)\n"
               "1 3 #badge\n"
               "1.5 3 done = halt()\n");
    demo.write("sky.ps",
               "precision highp float;\n"
               "uniform vec2 resolution;\n"
               "uniform float gtime;\n"
               "uniform vec3 colour;\n"
               "void main() {\n"
               "    vec2 uv = gl_FragCoord.xy / resolution;\n"
               "    if (uv.y > 0.9) { gl_FragColor = vec4(1.0); return; }\n"
               "    gl_FragColor = vec4(colour * uv.y + 0.2 * sin(uv.x * 10.0 + gtime * 3.0), 1.0);\n"
               "}\n");
    demo.write("badge.ps",
               "precision highp float;\n"
               "//QUADRELUME_BLEND\n"
               "uniform vec2 resolution;\n"
               "uniform sampler2D badge;\n"
               "uniform float fade;\n"
               "void main() {\n"
               "    vec4 c = texture2D(badge, gl_FragCoord.xy / resolution);\n"
               "    float a = c.a * fade;\n"
               "    gl_FragColor = vec4(c.rgb * a, a);\n"
               "}\n");
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < 16; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 16);
        pixels.insert(pixels.end(), {v, static_cast<std::uint8_t>(255 - v), 128, static_cast<std::uint8_t>(i < 8 ? 255 : 96)});
    }
    demo.write("badge.png", encodePng(PngImage{4, 4, 8, 6, false, pixels}));
}

// RGB pixels, bottom row first, of the PNG file at `path`. The decoder's
// console lines go to standard output.
std::vector<std::uint8_t> pngPixels(const std::string& path) {
    FileData file(readFileText(path));
    std::optional<TextureImage> image = decodeTextureImage(file);
    if (!image || image->width != width || image->height != height || image->hasAlpha) return {};
    return image->pixels;
}

// The RGB pixels, bottom row first, that the player's pass (viewport,
// clear, Demo::render) draws for the demo in the current directory at `t`.
std::vector<std::uint8_t> playerPixels(Demo& demo, float t) {
    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    demo.render(t);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width * height * 4));
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::vector<std::uint8_t> rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    return rgb;
}

TEST(Capture, PngFramesRepeatExactlyAndEqualThePlayersDrawing) {
    TempDir demo;
    writeDemo(demo);
    std::filesystem::create_directory(demo.file("a"));
    std::filesystem::create_directory(demo.file("b"));
    const std::vector<std::string> common{"--size", "64x36", "--fps", "10", "--trace", "trace.txt"};
    auto withOutput = [&](const char* output) {
        std::vector<std::string> arguments = common;
        arguments.push_back(output);
        return arguments;
    };
    CaptureRun first = runCaptureProgram(withOutput("a/frame%03d.png"), demo.path());
    ASSERT_EQ(first.code, 0) << first.errors;
    CaptureRun second = runCaptureProgram(withOutput("b"), demo.path());
    ASSERT_EQ(second.code, 0) << second.errors;

    // Frames 0 to 15: halt() runs in the frame at t = 1.5 and ends it there.
    ASSERT_EQ(entriesOf(demo.file("a")).size(), 16u);
    ASSERT_EQ(entriesOf(demo.file("b")).size(), 16u);
    char a[32];
    char b[32];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(a, sizeof a, "a/frame%03d.png", i);
        std::snprintf(b, sizeof b, "b/%05d.png", i);
        EXPECT_EQ(readFileText(demo.file(a)), readFileText(demo.file(b))) << "frame " << i;
    }
    // The trace holds the libraries' console lines and one block per frame.
    const std::string trace = readFileText(demo.file("trace.txt"));
    EXPECT_NE(trace.find("added uniform colour for <passVS>/sky.ps"), std::string::npos);
    EXPECT_NE(trace.find("----------------- 1.500000\ncolour = [0.500000,0.500000,0.375000]"), std::string::npos);

    // The same frames drawn in this process by the player's own pass.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(demo.path());
    {
        GlContext gl(width, height);
        windowWidth = width;
        windowHeight = height;
        FileData timeline(readFileText("time.txt"));
        std::FILE* nowhere = std::fopen("/dev/null", "w");
        ::testing::internal::CaptureStdout();  // shader scans and image loads
        std::unique_ptr<Demo> player(loadDemo(&timeline, nowhere));
        for (int i : {5, 12}) {
            std::snprintf(a, sizeof a, "a/frame%03d.png", i);
            const std::vector<std::uint8_t> captured = pngPixels(a);
            ASSERT_FALSE(captured.empty()) << a;
            EXPECT_TRUE(playerPixels(*player, static_cast<float>(i / 10.0)) == captured) << "frame " << i;
        }
        ::testing::internal::GetCapturedStdout();
        player.reset();
        std::fclose(nowhere);
    }
    std::filesystem::current_path(previous);
}

TEST(Capture, BadOptionsExitWithTwoAndWriteNothing) {
    TempDir demo;
    demo.write("time.txt", "0 2 x = lin(0, 1)\n");
    std::filesystem::create_directory(demo.file("out"));
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        {{"--size", "0x36", "out/v.mp4"}, "--size 0x36: expected"},
        {{"--size", "20000x36", "out/v.mp4"}, "this GL draws at most"},
        {{"--size", "63x36", "out/v.mp4"}, "even width and height"},
        {{"--fps", "0", "out/v.mp4"}, "--fps 0: expected"},
        {{"--from", "1", "--to", "1", "out/v.mp4"}, "nothing to capture"},
        {{"--from", "5", "out/v.mp4"}, "is not before the end of the timeline"},
        {{"out/v.avi"}, "unknown kind of output"},
        {{"missing/v.mp4"}, "does not exist or cannot be written"},
        {{"/proc/v.mp4"}, "does not exist or cannot be written"},
        {{"--demo", "nowhere", "out/v.mp4"}, "--demo nowhere: no such folder"},
        {{"--quality", "52", "out/v.mp4"}, "goes from 0 to 51"},
        {{"--loop", "out/v.mp4"}, "unknown option --loop"},
    };
    // All at once: most of each run is starting up.
    std::vector<std::unique_ptr<Process>> runs;
    for (const Case& c : cases) runs.push_back(startCaptureProgram(c.arguments, demo.path()));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        std::string line;
        for (const std::string& argument : cases[i].arguments) line += argument + " ";
        CaptureRun run = finishRun(*runs[i]);
        EXPECT_EQ(run.code, 2) << line << run.errors;
        EXPECT_NE(run.errors.find(cases[i].message), std::string::npos) << line << run.errors;
        EXPECT_NE(run.errors.find("--help"), std::string::npos) << line << run.errors;
    }
    EXPECT_TRUE(entriesOf(demo.file("out")).empty());
    EXPECT_EQ(entriesOf(demo.path()), (std::vector<std::string>{"out", "time.txt"}));
}

TEST(Capture, FailuresExitWithOneAndLeaveNothing) {
    TempDir broken;
    broken.write("time.txt", "0 1 #broken\n");
    broken.write("broken.ps", "void main() { this is not GLSL }\n");
    // Vorbis packets of two streams cannot share one Matroska track.
    TempDir chained;
    TempDir work;
    chained.write("time.txt", "0 1 x = 1\n");
    chained.write("demo.ogg", encodeTone(work, {44100, 2, 0.3, 440.0, 1}) + encodeTone(work, {44100, 2, 0.3, 330.0, 2}));

    // Music whose second link cannot be decoded: the video must not go on
    // with silence in its place.
    TempDir damaged;
    damaged.write("time.txt", "0 1 x = 1\n");
    damaged.write("demo.ogg", encodeTone(work, {44100, 2, 0.3, 440.0, 1}) +
                                  withUnusableFirstCodebook(encodeTone(work, {44100, 2, 0.3, 330.0, 2})));

    auto shaderRun = startCaptureProgram({"--size", "64x36", "out.mp4"}, broken.path());
    auto chainedRun = startCaptureProgram({"--size", "64x36", "out.mkv"}, chained.path());
    auto damagedRun = startCaptureProgram({"--size", "64x36", "out.mp4"}, damaged.path());
    CaptureRun shader = finishRun(*shaderRun);
    EXPECT_EQ(shader.code, 1);
    EXPECT_NE(shader.errors.find("Error in broken.ps"), std::string::npos) << shader.errors;
    CaptureRun music = finishRun(*chainedRun);
    EXPECT_EQ(music.code, 1);
    EXPECT_NE(music.errors.find("chained"), std::string::npos) << music.errors;
    CaptureRun decoding = finishRun(*damagedRun);
    EXPECT_EQ(decoding.code, 1);
    EXPECT_NE(decoding.errors.find("the music: Error in ogg file"), std::string::npos) << decoding.errors;
    EXPECT_EQ(entriesOf(damaged.path()), (std::vector<std::string>{"demo.ogg", "time.txt"}));

    EXPECT_EQ(entriesOf(broken.path()), (std::vector<std::string>{"broken.ps", "time.txt"}));
    EXPECT_EQ(entriesOf(chained.path()), (std::vector<std::string>{"demo.ogg", "time.txt"}));
}

TEST(Capture, VersionAndHelp) {
    TempDir demo;
    Process version({QUADRELUME_CAPTURE, "--version"}, demo.path(), {{"DISPLAY", ""}});
    EXPECT_EQ(version.waitForExit(30), 0);
    EXPECT_EQ(version.output(), std::string("quadrelume-capture ") + QUADRELUME_VERSION + "\n");
    Process help({QUADRELUME_CAPTURE, "--help"}, demo.path(), {{"DISPLAY", ""}});
    EXPECT_EQ(help.waitForExit(30), 0);
    EXPECT_NE(help.output().find("usage: quadrelume-capture [options] OUTPUT"), std::string::npos);
}

}  // namespace
}  // namespace quadrelume
