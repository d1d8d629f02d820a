// The music in the pictures of quadrelume-capture: a section captured from
// later, at another frame rate, shows the same spectrum at the same times.
#include <gtest/gtest.h>

#include <filesystem>

#include "capture_support.h"
#include "clock/music_fixtures.h"
#include "reload/file_data.h"
#include "render/texture_image.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

// The frames of `pattern` (a printf pattern of one number) in `folder`, by
// frame number, as their files' bytes.
std::vector<std::string> framesOf(const TempDir& demo, const std::string& folder, int count) {
    std::vector<std::string> frames;
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s/%03d.png", folder.c_str(), i);
        frames.push_back(readFileText(demo.file(name)));
    }
    return frames;
}

// The "b = " line of each frame traced in `trace`, by the frame's time as
// printed.
std::map<std::string, std::string> bandsByTime(const std::string& trace) {
    std::map<std::string, std::string> found;
    const std::string marker = "----------------- ";
    for (std::size_t at = trace.find(marker); at != std::string::npos; at = trace.find(marker, at + 1)) {
        const std::size_t end = trace.find('\n', at);
        const std::size_t line = trace.find("\nb = ", end);
        if (line == std::string::npos) break;
        found[trace.substr(at + marker.size(), end - at - marker.size())] =
            trace.substr(line + 1, trace.find('\n', line + 1) - line - 1);
    }
    return found;
}

TEST(CaptureMusic, ASectionFromLaterShowsTheSameSpectrumAtTheSameTimesAtAnyFrameRate) {
    TempDir work;
    TempDir demo;
    // A new tone every second.
    demo.write("demo.ogg", encodeTone(work, ToneSpec{.seconds = 6.0, .frequency = 300.0, .step = 200.0}));
    demo.write("time.txt", "0 6 #show\n0 6 b = bands()\n");
    // The texture texel for pixel: the spectrum along the bottom row, the
    // waveform along the top one.
    demo.write("show.ps",
               "precision highp float;\n"
               "uniform vec2 resolution;\n"
               "uniform sampler2D spectrum;\n"
               "void main() { gl_FragColor = texture2D(spectrum, gl_FragCoord.xy / resolution); }\n");
    std::filesystem::create_directory(demo.file("whole"));
    std::filesystem::create_directory(demo.file("part"));
    CaptureRun whole = runCaptureProgram({"--size", "512x2", "--fps", "4", "--trace", "whole.txt", "whole/%03d.png"},
                                         demo.path());
    ASSERT_EQ(whole.code, 0) << whole.errors;
    CaptureRun part = runCaptureProgram(
        {"--size", "512x2", "--fps", "8", "--from", "1.5", "--to", "4", "--trace", "part.txt", "part/%03d.png"},
        demo.path());
    ASSERT_EQ(part.code, 0) << part.errors;

    // Whole: frame i at i / 4 s. Part: frame j at 1.5 + j / 8 s.
    const std::vector<std::string> wholeFrames = framesOf(demo, "whole", 24);
    const std::vector<std::string> partFrames = framesOf(demo, "part", 20);
    for (int i = 6; i < 16; ++i) EXPECT_EQ(wholeFrames[i], partFrames[2 * (i - 6)]) << "at " << i / 4.0 << " s";
    const auto wholeBands = bandsByTime(readFileText(demo.file("whole.txt")));
    const auto partBands = bandsByTime(readFileText(demo.file("part.txt")));
    ASSERT_EQ(partBands.size(), 20u);
    int shared = 0;
    for (const auto& [time, line] : partBands) {
        if (wholeBands.count(time) == 0) continue;
        EXPECT_EQ(line, wholeBands.at(time)) << "at " << time;
        ++shared;
    }
    EXPECT_EQ(shared, 10);

    // What they show is the music: at 2.5 s its 700 Hz tone (texel 33) on
    // the left channel and 1050 Hz (texel 49) on the right, and its waveform.
    FileData frame(wholeFrames[10]);
    ::testing::internal::CaptureStdout();
    std::optional<TextureImage> image = decodeTextureImage(frame);
    ::testing::internal::GetCapturedStdout();
    ASSERT_TRUE(image);
    const int channels = image->hasAlpha ? 4 : 3;
    auto texel = [&](int x, int row) { return image->pixels[static_cast<std::size_t>((row * 512 + x) * channels)]; };
    EXPECT_GT(texel(33, 0), 200);
    EXPECT_GT(texel(49, 0), 200);
    EXPECT_LT(texel(41, 0), texel(33, 0));
    int waveformLow = 255;
    int waveformHigh = 0;
    for (int x = 0; x < 512; ++x) {
        waveformLow = std::min<int>(waveformLow, texel(x, 1));
        waveformHigh = std::max<int>(waveformHigh, texel(x, 1));
    }
    EXPECT_LT(waveformLow, 100);
    EXPECT_GT(waveformHigh, 156);
}

}  // namespace
}  // namespace quadrelume
