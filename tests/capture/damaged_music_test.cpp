// Captures of a demo whose music is damaged: a video that encodes the music
// anew keeps every sample at its own time, with silence where the damage
// is, and says so; one that copies the music's packets refuses.
#include <gtest/gtest.h>

#include "capture_support.h"
#include "clock/music_fixtures.h"
#include "media_reading.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

TEST(DamagedMusic, VideosKeepTheMusicInStepWithSilenceForTheDamageOrRefuse) {
    // Second k sounds 300 + 100k Hz; 5 % of the bytes from 30 % of the file
    // on are zeros.
    TempDir demo;
    TempDir work;
    demo.write("time.txt", "0 20 x = 1\n");
    demo.write("demo.ogg", withBytesZeroed(encodeTone(work, ToneSpec{.seconds = 20.0, .frequency = 300.0, .step = 100.0}),
                                          0.30, 0.35));
    struct Case {
        const char* output;
        int from;
    };
    const Case videos[] = {{"whole.mp4", 0}, {"late.mp4", 10}, {"whole.webm", 0}};
    std::vector<std::unique_ptr<Process>> runs;
    for (const Case& c : videos)
        runs.push_back(startCaptureProgram({"--size", "64x36", "--fps", "10", "--from", std::to_string(c.from), c.output},
                                           demo.path()));
    auto copied = startCaptureProgram({"--size", "64x36", "--fps", "10", "copied.mkv"}, demo.path());

    for (std::size_t v = 0; v < runs.size(); ++v) {
        const Case& c = videos[v];
        CaptureRun run = finishRun(*runs[v]);
        ASSERT_EQ(run.code, 0) << c.output << run.errors;
        // Only the captures that meet the damage tell of it.
        EXPECT_EQ(run.errors.find("demo.ogg is damaged") != std::string::npos, c.from == 0) << c.output << run.errors;
        // Each second of the video holds the tone of that second of the
        // music, or silence; at least one second is silent in the whole.
        const Pcm sound = decodeAudio(demo.file(c.output));
        ASSERT_GE(sound.frames(), (19 - c.from) * sound.rate) << c.output;
        int silentSeconds = 0;
        for (int second = 0; second < 20 - c.from; ++second) {
            const std::int64_t start = static_cast<std::int64_t>(second) * sound.rate;
            const int tone = loudestTone(sound, start + sound.rate / 10, start + sound.rate * 9 / 10, 300.0, 100.0, 24);
            if (tone < 0) ++silentSeconds;
            else EXPECT_EQ(tone, c.from + second) << c.output << " second " << second;
        }
        EXPECT_EQ(silentSeconds > 0, c.from == 0) << c.output;
    }

    CaptureRun refused = finishRun(*copied);
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.errors.find("demo.ogg is damaged"), std::string::npos) << refused.errors;
    EXPECT_EQ(entriesOf(demo.path()),
              (std::vector<std::string>{"demo.ogg", "late.mp4", "time.txt", "whole.mp4", "whole.webm"}));
}

}  // namespace
}  // namespace quadrelume
