// Captures of sections of a demo, joined afterwards as a long render split
// over several machines would be: with FFmpeg's concat demuxer and -c copy,
// any number of them must give what one capture of the whole span gives. And in every
// container, frame i and the music's sample n keep their places, from +
// i / fps and from + n / rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "capture_support.h"
#include "clock/music_fixtures.h"
#include "media_reading.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

constexpr const char* levelShader =
    "precision highp float;\nuniform vec2 resolution;\nuniform float level;\n"
    "void main() { gl_FragColor = vec4(gl_FragCoord.xy / resolution, level, 1.0); }\n";

// The times of the frames of `media`'s video, in seconds, in display order.
std::vector<double> frameTimes(const Media& media) {
    std::vector<double> times;
    for (std::int64_t pts : media.video.pts) times.push_back(static_cast<double>(pts) * av_q2d(media.video.timeBase));
    std::sort(times.begin(), times.end());
    return times;
}

// Where the stretch of `joined` from frame `at` lies in `whole`, as an
// offset from `at`: the one within ± `reach` whose 2048 frames differ least.
std::int64_t offsetAt(const Pcm& joined, const Pcm& whole, std::int64_t at, std::int64_t reach) {
    std::int64_t best = 0;
    double least = -1.0;
    for (std::int64_t offset = -reach; offset <= reach; ++offset) {
        double sum = 0.0;
        for (std::int64_t i = 0; i < 2048; i += 2) {
            const double d = joined.samples[static_cast<std::size_t>(2 * (at + i))] -
                             whole.samples[static_cast<std::size_t>(2 * (at + offset + i))];
            sum += d * d;
        }
        if (least < 0.0 || sum < least) {
            least = sum;
            best = offset;
        }
    }
    return best;
}

// Frames [at, at + length) of `sound` against the same frames of `music`,
// both channels: the signal-to-noise ratio in dB, and the largest
// difference of one sample.
struct Likeness {
    double snr = 0.0;
    int largest = 0;
};
Likeness likeness(const Pcm& sound, const Pcm& music, std::int64_t at, std::int64_t length) {
    double signal = 0.0;
    double noise = 0.0;
    Likeness result;
    for (std::size_t i = static_cast<std::size_t>(2 * at); i < static_cast<std::size_t>(2 * (at + length)); ++i) {
        const int d = sound.samples[i] - music.samples[i];
        signal += static_cast<double>(music.samples[i]) * music.samples[i];
        noise += static_cast<double>(d) * d;
        result.largest = std::max(result.largest, std::abs(d));
    }
    result.snr = 10.0 * std::log10(signal / std::max(noise, 1.0));
    return result;
}

// Twelve sections of 1.001 s at 30000/1001 fps, cut where the guide says
// (on the frame grid, here every 30 frames), joined with the guide's recipe.
TEST(SectionJoins, SectionsJoinedWithFfmpegsConcatDemuxerEqualOneCapture) {
    constexpr int sections = 12;
    constexpr int framesPerSection = 30;
    constexpr int frames = sections * framesPerSection;
    TempDir demo;
    TempDir work;
    demo.write("time.txt", "0 20 level = lin(0, 1)\n0 20 #fill\n");
    demo.write("fill.ps", levelShader);
    const std::string music = encodeTone(work, ToneSpec{.seconds = 14.0, .frequency = 300.0, .step = 100.0});
    demo.write("demo.ogg", music);
    const std::vector<std::string> common{"--size", "32x18", "--fps", "30000/1001"};
    // Section k runs from 1.001 k s, as a script would write the times.
    auto time = [](int k) {
        char text[32];
        std::snprintf(text, sizeof text, "%d.%03d", k * 1001 / 1000, k * 1001 % 1000);
        return std::string(text);
    };
    struct Run {
        std::string output;
        std::vector<std::string> span;
    };
    std::vector<Run> runs;
    for (const char* container : {".mkv", ".mp4"}) {
        for (int k = 0; k < sections; ++k)
            runs.push_back({"part" + std::to_string(k) + container, {"--from", time(k), "--to", time(k + 1)}});
        runs.push_back({std::string("whole") + container, {"--to", time(sections)}});
    }
    // A few at a time: the machine has other work.
    for (std::size_t first = 0; first < runs.size(); first += 8) {
        std::vector<std::unique_ptr<Process>> started;
        for (std::size_t i = first; i < std::min(runs.size(), first + 8); ++i) {
            std::vector<std::string> arguments = common;
            arguments.insert(arguments.end(), runs[i].span.begin(), runs[i].span.end());
            arguments.push_back(runs[i].output);
            started.push_back(startCaptureProgram(arguments, demo.path()));
        }
        for (std::size_t i = 0; i < started.size(); ++i) {
            CaptureRun run = finishRun(*started[i]);
            ASSERT_EQ(run.code, 0) << runs[first + i].output << run.errors;
            EXPECT_NE(run.errors.find(": " + std::to_string(runs[first + i].output.find("whole") == 0 ? frames
                                                                                                     : framesPerSection) +
                                      " frames at"),
                      std::string::npos)
                << run.errors;
        }
    }

    for (const char* container : {".mkv", ".mp4"}) {
        SCOPED_TRACE(container);
        const std::string joined = std::string("joined") + container;
        const std::string whole = std::string("whole") + container;
        // As the guide has it: each section's own time 0 goes where the one
        // before ends, whatever of its music starts before, each lasts as
        // long as its --from and --to say, and the times stay as the files
        // have them.
        std::string list;
        for (int k = 0; k < sections; ++k)
            list += "file 'part" + std::to_string(k) + container + "'\ninpoint 0\nduration 1.001\n";
        demo.write("list.txt", list);
        Process ffmpeg({"/usr/bin/ffmpeg", "-v", "error", "-f", "concat", "-safe", "0", "-i", "list.txt", "-c", "copy",
                        "-copyts", joined},
                       demo.path());
        ASSERT_EQ(ffmpeg.waitForExit(60), 0) << ffmpeg.errors();

        // The same frames at the same times, to the last.
        const std::vector<double> wholeTimes = frameTimes(readMedia(demo.file(whole)));
        const std::vector<double> joinedTimes = frameTimes(readMedia(demo.file(joined)));
        ASSERT_EQ(joinedTimes.size(), static_cast<std::size_t>(frames));
        ASSERT_EQ(wholeTimes.size(), static_cast<std::size_t>(frames));
        for (std::size_t i = 0; i < joinedTimes.size(); ++i) {
            ASSERT_NEAR(joinedTimes[i], wholeTimes[i], 0.0011) << "frame " << i;
            ASSERT_NEAR(wholeTimes[i], static_cast<double>(i) * 1001.0 / 30000.0, 0.0011) << "frame " << i;
        }

        const Pcm wholeSound = decodeAudio(demo.file(whole));
        const Pcm joinedSound = decodeAudio(demo.file(joined));
        EXPECT_NEAR(audioStart(demo.file(joined)), audioStart(demo.file(whole)), 0.5 / 44100.0);
        if (std::string(container) == ".mkv") {
            // Exactly the music's samples, once each.
            EXPECT_EQ(joinedSound.frames(), wholeSound.frames());
            EXPECT_TRUE(joinedSound.samples == wholeSound.samples);
            continue;
        }
        // AAC: the music at the same times after every join, with no gap and
        // no drift...
        ASSERT_GE(joinedSound.frames(), 12 * 44100);
        for (int k = 1; k < sections; ++k) {
            const std::int64_t at = k * 1001 * 441 / 10 + 500;
            EXPECT_EQ(offsetAt(joinedSound, wholeSound, at, 3000), 0) << "after join " << k;
        }
        // ...and over the 100 ms around a join (the first grid point at or
        // after 6.006 s) as close to the music as one capture is. After the
        // join another encoder made the packets: they differ from the one
        // capture's by the rounding of each.
        const Pcm reference = decodeReference(music);
        const std::int64_t join = (6006 * 441 / 10 + 1023) / 1024 * 1024;
        const Likeness joinedLikeness = likeness(joinedSound, reference, join - 2205, 4410);
        const Likeness wholeLikeness = likeness(wholeSound, reference, join - 2205, 4410);
        const Likeness fromWhole = likeness(joinedSound, wholeSound, join - 2205, 4410);
        RecordProperty("mp4_join_snr_db", std::to_string(joinedLikeness.snr));
        std::printf("mp4 join: over the 100 ms around it %.1f dB from the music, the largest sample off by %d (one "
                    "capture: %.1f dB, %d); the largest sample differs from the one capture's by %d\n",
                    joinedLikeness.snr, joinedLikeness.largest, wholeLikeness.snr, wholeLikeness.largest,
                    fromWhole.largest);
        EXPECT_GT(joinedLikeness.snr, 25.0);
        EXPECT_GT(joinedLikeness.snr, wholeLikeness.snr - 3.0);
    }
}

// A flash in the frame at t = 2 and a click in the music at t = 2 come out
// together in every container, from a capture that starts at t = 1.
TEST(SectionJoins, FramesAndMusicKeepTheirPlacesInEveryContainer) {
    TempDir demo;
    TempDir work;
    demo.write("time.txt", "0 4 #fill\n");
    demo.write("fill.ps", "precision highp float;\nvoid main() { gl_FragColor = vec4(0.5); }\n");
    demo.write("demo.ogg", encodeTone(work, ToneSpec{.seconds = 4.0, .click = 2.0}));
    std::vector<std::unique_ptr<Process>> runs;
    const char* outputs[] = {"v.mp4", "v.mkv", "v.webm"};
    for (const char* output : outputs)
        runs.push_back(startCaptureProgram({"--size", "64x36", "--fps", "50", "--from", "1", "--to", "3", output}, demo.path()));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        CaptureRun run = finishRun(*runs[i]);
        ASSERT_EQ(run.code, 0) << outputs[i] << run.errors;
        const std::string path = demo.file(outputs[i]);
        const std::vector<double> times = frameTimes(readMedia(path));
        ASSERT_EQ(times.size(), 100u) << outputs[i];
        EXPECT_NEAR(times[0], 0.0, 0.0011) << outputs[i];
        EXPECT_NEAR(times[50], 1.0, 0.0011) << outputs[i];
        const Pcm sound = decodeAudio(path);
        const double click = audioStart(path) + static_cast<double>(loudestFrame(sound)) / sound.rate;
        EXPECT_NEAR(click, 1.0, 0.002) << outputs[i] << " starts at " << audioStart(path);
    }
}

}  // namespace
}  // namespace quadrelume
