// The analysis of real Ogg Vorbis files: where tones peak in the spectrum
// and the bands, the waveform against an independent decode, silence, one
// value per time whatever order the blocks were asked in, and a music file
// saved again while the demo runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "analysis/demo_music.h"
#include "analysis/music_analysis.h"
#include "analysis/music_at.h"
#include "clock/music_fixtures.h"
#include "reload/pollable.h"
#include "support/temp_dir.h"

namespace quadrelume::analysis {
namespace {

using testing::encodeTone;
using testing::TempDir;
using testing::ToneSpec;

int peakTexel(const MusicTable& table, double t) {
    std::uint8_t row[spectrumWidth];
    spectrumAt(table, t, row);
    return static_cast<int>(std::max_element(row, row + spectrumWidth) - row);
}

// A plain sine at a quiet -26 dBFS, so that its peak stays below the top of
// the spectrum's range and shows where it is.
std::string sine(const TempDir& dir, double frequency, int rate, double seconds = 1.5) {
    return encodeTone(dir, ToneSpec{.rate = rate, .seconds = seconds, .frequency = frequency, .plain = 0.05});
}

TEST(MusicAnalysis, TonesPeakOnTheirTexelAtEitherRateAndRaiseTheirBandOnly) {
    struct Case {
        double frequency;
        int texel;  // frequency / (11025 / 512 Hz), rounded
        int band;
    };
    const Case cases[] = {{100.0, 5, 0}, {1000.0, 46, 1}, {4000.0, 186, 2}, {10000.0, 464, 3}};
    TempDir dir;
    for (const Case& c : cases) {
        for (int rate : {44100, 48000}) {
            SCOPED_TRACE(std::to_string(c.frequency) + " Hz at " + std::to_string(rate) + " Hz");
            const std::string music = sine(dir, c.frequency, rate);
            MusicAnalysis analysis{FileData(music)};
            const MusicTable& table = analysis.complete();
            EXPECT_EQ(table.rate, rate);
            EXPECT_EQ(peakTexel(table, 0.75), c.texel);
            const std::array<float, bandCount> bands = bandsAt(table, 0.75);
            for (int band = 0; band < bandCount; ++band) {
                if (band == c.band) EXPECT_GT(bands[band], 0.4f) << "band " << band;
                else EXPECT_LT(bands[band], 0.02f) << "band " << band;
            }
            EXPECT_NEAR(levelAt(table, 0.75), bands[c.band], 0.01f);
        }
    }
}

TEST(MusicAnalysis, TheWaveformIsTheMonoMixAroundTheTime) {
    TempDir dir;
    const std::string music = encodeTone(dir, ToneSpec{.seconds = 6.0, .frequency = 300.0, .step = 200.0});
    const testing::Pcm reference = testing::decodeReference(music);
    MusicAnalysis analysis{FileData(music)};
    // Inside a block, across the first block's end (4.27 s), at the start and
    // at the end of the music.
    for (double t : {0.0, 1.25, 256.0 / 60.0, 5.999}) {
        SCOPED_TRACE(t);
        analysis.prepare(t);
        std::uint8_t row[waveformWidth];
        waveformAt(analysis.table(), t, row);
        const std::int64_t first = static_cast<std::int64_t>(t * 44100 + 0.5) - 256;
        int differences = 0;
        for (int i = 0; i < waveformWidth; ++i) {
            const std::int64_t frame = first + i;
            std::uint8_t expected = silentSample;
            if (frame >= 0 && frame < reference.frames())
                expected = waveformByte(reference.samples[2 * frame], reference.samples[2 * frame + 1]);
            differences += row[i] != expected;
        }
        EXPECT_EQ(differences, 0);
    }
}

TEST(MusicAnalysis, SilenceAndTimesBeforeAndAfterTheMusicAreZeroAndHalf) {
    TempDir dir;
    MusicAnalysis silent{FileData(sine(dir, 0.0, 44100))};
    MusicAnalysis tone{FileData(sine(dir, 1000.0, 44100))};
    std::uint8_t texels[spectrumWidth + waveformWidth];
    auto expectSilence = [&](const MusicTable& table, double t) {
        SCOPED_TRACE(t);
        spectrumAt(table, t, texels);
        waveformAt(table, t, texels + spectrumWidth);
        EXPECT_EQ(std::count(texels, texels + spectrumWidth, 0), spectrumWidth);
        EXPECT_EQ(std::count(texels + spectrumWidth, texels + spectrumWidth + waveformWidth, silentSample), waveformWidth);
        EXPECT_EQ(bandsAt(table, t), (std::array<float, bandCount>{}));
        EXPECT_EQ(levelAt(table, t), 0.0f);
    };
    for (double t : {0.0, 0.5, 1.4}) expectSilence(silent.complete(), t);
    // Before the music's start, and once it has died away after its end
    // (1.5 s; the last rows, up to 2.5 s, hold the dying away).
    for (double t : {-0.5, -1e-6, 2.45, 2.6, 100.0}) expectSilence(tone.complete(), t);
    EXPECT_GT(peakTexel(tone.table(), 0.5), 0) << "the tone itself sounds";
}

TEST(MusicAnalysis, EveryTimeHasOneValueWhateverOrderTheBlocksComeIn) {
    TempDir dir;
    // 13 s: four blocks, a new tone every second.
    const std::string music = encodeTone(dir, ToneSpec{.seconds = 13.0, .frequency = 300.0, .step = 250.0});
    MusicAnalysis inOrder{FileData(music)};
    const MusicTable& reference = inOrder.complete();
    ASSERT_EQ(inOrder.blockCount(), 4);
    EXPECT_NE(peakTexel(reference, 2.5), peakTexel(reference, 9.5)) << "the music changes";

    // A demo that starts late and seeks back and forth, as an editing
    // session or a capture --from does.
    for (const std::vector<double>& visits : {std::vector<double>{9.5, 2.0, 12.9, 4.3}, {12.9, 8.6, 0.0}}) {
        MusicAnalysis seeking{FileData(music)};
        for (double t : visits) {
            seeking.prepare(t);
            std::uint8_t seen[spectrumWidth];
            std::uint8_t expected[spectrumWidth];
            spectrumAt(seeking.table(), t, seen);
            spectrumAt(reference, t, expected);
            EXPECT_TRUE(std::equal(seen, seen + spectrumWidth, expected)) << "at " << t;
        }
        const MusicTable& table = seeking.complete();
        EXPECT_TRUE(table.rows == reference.rows);
        EXPECT_TRUE(table.waveform == reference.waveform);
    }
}

TEST(DemoMusic, IsReadWhenAskedForAndAnalysedAnewWhenSaved) {
    TempDir dir;
    const std::string low = sine(dir, 1000.0, 44100);
    const std::string high = sine(dir, 4000.0, 44100);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    pollables.clear();
    {
        DemoMusic music("demo.ogg");
        EXPECT_TRUE(pollables.empty()) << "nothing is read before a frame asks";
        MusicSource* none = currentMusic();
        ASSERT_NE(none, nullptr);
        EXPECT_EQ(none->table().rowCount, 0) << "silence while there is no file";

        dir.write("demo.ogg", low);
        testing::setModificationTime(dir.file("demo.ogg"), 1700000000, 1);
        std::string printed;
        ::testing::internal::CaptureStdout();
        pollAll();
        printed = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(printed, "Reloading:demo.ogg\n");
        MusicSource* first = currentMusic();
        ASSERT_NE(first, nullptr);
        first->prepare(0.75);
        EXPECT_EQ(peakTexel(first->table(), 0.75), 46);
        const std::uint64_t firstSerial = first->serial();  // the reload deletes it

        dir.write("demo.ogg", high);
        testing::setModificationTime(dir.file("demo.ogg"), 1700000000, 2);
        ::testing::internal::CaptureStdout();
        pollAll();
        ::testing::internal::GetCapturedStdout();
        MusicSource* second = currentMusic();
        ASSERT_NE(second, nullptr);
        EXPECT_NE(second->serial(), firstSerial);
        second->prepare(0.75);
        EXPECT_EQ(peakTexel(second->table(), 0.75), 186);
    }
    EXPECT_EQ(currentMusic(), nullptr) << "a finder that is gone finds nothing";
    EXPECT_TRUE(pollables.empty());
    ASSERT_EQ(chdir("/"), 0);
}

}  // namespace
}  // namespace quadrelume::analysis
