// Captures of a demo with a feedback buffer that start in its middle: they
// draw the buffer's past first, so that their frames are those of one
// capture from 0, as PNG frames and as .mkv sections joined by the guide's
// recipe.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "capture_support.h"
#include "media_reading.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

// A dot circling through a trail that fades by a fifth each frame, from
// 0.5 s: what a frame shows depends on every frame since.
void writeTrailDemo(TempDir& demo) {
    demo.write("time.txt", "0,5 4 trail = #trail\n0 4 #show\n");
    demo.write("trail.ps",
               "precision highp float;\nuniform vec2 resolution;\nuniform float gtime;\nuniform sampler2D trail;\n"
               "void main() { vec2 uv = gl_FragCoord.xy / resolution;\n"
               "  vec2 dot = vec2(0.5) + 0.3 * vec2(cos(gtime * 5.0), sin(gtime * 5.0));\n"
               "  float near = smoothstep(0.12, 0.0, distance(uv, dot));\n"
               "  gl_FragColor = max(texture2D(trail, uv) * 0.8, vec4(near, near * 0.5, 1.0 - near, 1.0)); }\n");
    demo.write("show.ps", "precision highp float;\nuniform vec2 resolution;\nuniform sampler2D trail;\n"
                          "void main() { gl_FragColor = texture2D(trail, gl_FragCoord.xy / resolution); }\n");
}

TEST(BufferCapture, AFromCaptureDrawsTheFeedbackSinceItBeganAndEqualsACaptureFromZero) {
    TempDir demo;
    writeTrailDemo(demo);
    std::filesystem::create_directory(demo.file("whole"));
    std::filesystem::create_directory(demo.file("part"));
    const std::vector<std::string> common{"--size", "32x18", "--fps", "30", "--to", "3"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), common.begin(), common.end());
        return more;
    };
    CaptureRun whole = runCaptureProgram(with({"whole"}), demo.path());
    ASSERT_EQ(whole.code, 0) << whole.errors;
    EXPECT_EQ(whole.errors.find("earlier frame"), std::string::npos) << "nothing to draw before 0";
    CaptureRun part = runCaptureProgram(with({"--from", "2", "part"}), demo.path());
    ASSERT_EQ(part.code, 0) << part.errors;
    // Frames from 0.5 s (frame 15 of 30 per second) to 1.9666 s.
    EXPECT_NE(part.errors.find("drew 45 earlier frames first, from demo time 0.5, for the buffers' feedback"),
              std::string::npos)
        << part.errors;

    ASSERT_EQ(entriesOf(demo.file("part")).size(), 30u);
    char name[32];
    for (int i = 0; i < 30; ++i) {
        std::snprintf(name, sizeof name, "%05d.png", i);
        const std::string partFrame = readFileText(demo.file(std::string("part/") + name));
        std::snprintf(name, sizeof name, "%05d.png", 60 + i);
        ASSERT_EQ(partFrame, readFileText(demo.file(std::string("whole/") + name))) << "frame " << i;
    }
}

TEST(BufferCapture, MkvSectionsWithFeedbackJoinIntoTheFramesOfOneCapture) {
    TempDir demo;
    writeTrailDemo(demo);
    // Lossless, so that the frames themselves can be compared.
    const std::vector<std::string> common{"--size", "32x18", "--fps", "30", "--quality", "0"};
    struct Run {
        const char* output;
        std::vector<std::string> span;
    };
    const Run runs[] = {{"a.mkv", {"--to", "2"}}, {"b.mkv", {"--from", "2"}}, {"whole.mkv", {}}};
    std::vector<std::unique_ptr<Process>> started;
    for (const Run& run : runs) {
        std::vector<std::string> arguments = common;
        arguments.insert(arguments.end(), run.span.begin(), run.span.end());
        arguments.push_back(run.output);
        started.push_back(startCaptureProgram(arguments, demo.path()));
    }
    for (std::size_t i = 0; i < started.size(); ++i) {
        CaptureRun run = finishRun(*started[i]);
        ASSERT_EQ(run.code, 0) << runs[i].output << run.errors;
    }
    demo.write("list.txt", "file 'a.mkv'\ninpoint 0\nfile 'b.mkv'\ninpoint 0\n");
    Process ffmpeg({"/usr/bin/ffmpeg", "-v", "error", "-f", "concat", "-safe", "0", "-i", "list.txt", "-c", "copy",
                    "-copyts", "joined.mkv"},
                   demo.path());
    ASSERT_EQ(ffmpeg.waitForExit(60), 0) << ffmpeg.errors();

    const std::vector<std::string> joined = decodeVideo(demo.file("joined.mkv"));
    const std::vector<std::string> one = decodeVideo(demo.file("whole.mkv"));
    ASSERT_EQ(one.size(), 120u);
    ASSERT_EQ(joined.size(), one.size());
    for (std::size_t i = 0; i < one.size(); ++i) ASSERT_TRUE(joined[i] == one[i]) << "frame " << i;
}

}  // namespace
}  // namespace quadrelume
