// The music player end to end: real Tremor and real PortAudio playing to a
// private ALSA device that records what it is given. The player exists once
// per process, so every case runs music_probe in a child process.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "clock/music_fixtures.h"
#include "support/alsa_test_device.h"
#include "support/process.h"

namespace quadrelume {
namespace {

using testing::AlsaTestDevice;
using testing::Pcm;

struct Reading {
    double wall;
    double clock;
};

struct ProbeRun {
    std::optional<int> exitCode;
    std::string output;
    std::string errors;
    std::vector<Reading> readings;
    std::vector<double> seeks;  // wall times
    std::vector<double> stops;
    std::vector<double> starts;
    Pcm captured;
};

// Runs the probe on `ogg` (file bytes) with `steps` against `device`.
ProbeRun runProbe(const AlsaTestDevice& device, const std::string& ogg, const std::vector<std::string>& steps,
                  int rate = 44100) {
    testing::TempDir dir;
    dir.write("demo.ogg", ogg);
    std::vector<std::string> argv = {QUADRELUME_MUSIC_PROBE, dir.file("demo.ogg")};
    argv.insert(argv.end(), steps.begin(), steps.end());
    testing::Process probe(argv, dir.path(), device.environment());
    ProbeRun run;
    run.exitCode = probe.waitForExit(60);
    run.output = probe.output();
    run.errors = probe.errors();
    std::istringstream lines(run.output);
    std::map<std::string, std::vector<double>*> events = {
        {"seek", &run.seeks}, {"stop", &run.stops}, {"start", &run.starts}};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "reading") {
            Reading r{};
            fields >> r.wall >> r.clock;
            run.readings.push_back(r);
        } else if (events.count(kind) != 0) {
            double wall = 0;
            fields >> wall;
            events[kind]->push_back(wall);
        }
    }
    run.captured = testing::stereoPcm(device.captured(), rate);
    return run;
}

// The readings taken in [from, to) wall seconds.
std::vector<Reading> between(const std::vector<Reading>& readings, double from, double to) {
    std::vector<Reading> out;
    for (const Reading& r : readings)
        if (r.wall >= from && r.wall < to) out.push_back(r);
    return out;
}

// Clock seconds per wall second, by least squares.
double pace(const std::vector<Reading>& readings) {
    double n = static_cast<double>(readings.size());
    double sw = 0, sc = 0, sww = 0, swc = 0;
    for (const Reading& r : readings) {
        sw += r.wall;
        sc += r.clock;
        sww += r.wall * r.wall;
        swc += r.wall * r.clock;
    }
    return (n * swc - sw * sc) / (n * sww - sw * sw);
}

// Where the first reading goes back, or -1.
std::ptrdiff_t firstStepBack(const std::vector<Reading>& readings) {
    for (std::size_t i = 1; i < readings.size(); ++i)
        if (readings[i].clock < readings[i - 1].clock) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

// The first frame at or after `from` that is not silent, or the end.
std::int64_t firstSound(const Pcm& pcm, std::int64_t from) {
    while (from < pcm.frames() && testing::silent(pcm, from, from + 1)) ++from;
    return from;
}

struct Files {
    testing::TempDir dir;
    std::string twoSeconds = testing::encodeTone(dir, {44100, 2, 2.0, 440.0, 11});
    std::string fourSeconds = testing::encodeTone(dir, {44100, 2, 4.0, 350.0, 12});
    std::string sixSeconds = testing::encodeTone(dir, {44100, 2, 6.0, 250.0, 13});
};

const Files& files() {
    static const Files* made = new Files;
    return *made;
}

// Splits the readings at the one seek of `run`.
void splitAtSeek(const ProbeRun& run, std::vector<Reading>* before, std::vector<Reading>* after) {
    ASSERT_EQ(run.seeks.size(), 1u);
    *before = between(run.readings, 0.0, run.seeks[0]);
    *after = between(run.readings, run.seeks[0], 1e9);
    ASSERT_GT(before->size(), 100u);
    ASSERT_GT(after->size(), 100u);
}

// Checks that the clock, read after a seek to 0 at wall time `seekWall`,
// read 0 at once and rose from there at the stream's pace without going back.
void expectRestartAfterSeek(const std::vector<Reading>& after, double seekWall) {
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front().clock, 0.0) << "the first reading after a seek is its target";
    EXPECT_EQ(firstStepBack(after), -1);
    EXPECT_GT(after.back().clock, after.front().clock + 0.5);
    // Neither the old position nor a run ahead: the callback carries out the
    // seek within a buffer or two, and this device runs up to a tenth of a
    // second late now and then.
    EXPECT_LT(after.back().clock, after.back().wall - seekWall + 0.25);
}

TEST(PortAudioOgg, PlaysEverySampleThenSilenceAndTheClockRunsOnPastTheEnd) {
    AlsaTestDevice device;
    Pcm reference = testing::decodeReference(files().twoSeconds);
    ProbeRun run = runProbe(device, files().twoSeconds, {"play:4.5", "seek:0", "play:1"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "") << "nothing but our own messages on standard error";

    // The captured sound: the stream's initial silence, the whole file sample
    // for sample, silence after the end, and the file again after the seek.
    const Pcm& captured = run.captured;
    std::int64_t start = testing::findFrames(captured, 0, reference, 0);
    ASSERT_GE(start, 0) << "the music never played";
    EXPECT_TRUE(testing::silent(captured, 0, start));
    ASSERT_EQ(testing::matchingFrames(captured, start, reference, 0), reference.frames());
    std::int64_t again = firstSound(captured, start + reference.frames());
    EXPECT_GT(again, start + reference.frames() + 44100) << "a second of silence after the end";
    EXPECT_GE(testing::matchingFrames(captured, again, reference, 0), 44100);

    std::vector<Reading> before, after;
    ASSERT_NO_FATAL_FAILURE(splitAtSeek(run, &before, &after));
    EXPECT_EQ(firstStepBack(before), -1) << "the clock went back without a seek";
    // The data is decoded ahead of the sound, up to the end by about 1 s of
    // wall time; from then on the clock runs on with the stream time.
    EXPECT_GT(before.back().clock, 2.0 + 2.0);
    EXPECT_NEAR(pace(between(before, 1.5, 4.5)), 1.0, 0.02);
    expectRestartAfterSeek(after, run.seeks[0]);
}

TEST(PortAudioOgg, WhilePlayingTheClockFollowsRealTimeAndASeekRestartsInTheNextCallback) {
    AlsaTestDevice device;
    Pcm reference = testing::decodeReference(files().sixSeconds);
    ProbeRun run = runProbe(device, files().sixSeconds, {"play:4.5", "seek:0", "play:1"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;

    std::vector<Reading> before, after;
    ASSERT_NO_FATAL_FAILURE(splitAtSeek(run, &before, &after));
    EXPECT_EQ(firstStepBack(before), -1) << "the clock went back without a seek";
    EXPECT_LT(before.back().clock, 6.0) << "the data must not have ended yet";
    EXPECT_NEAR(pace(between(before, 1.0, 4.5)), 1.0, 0.02);
    expectRestartAfterSeek(after, run.seeks[0]);

    const Pcm& captured = run.captured;
    std::int64_t start = testing::findFrames(captured, 0, reference, 0);
    ASSERT_GE(start, 0);
    std::int64_t played = testing::matchingFrames(captured, start, reference, 0);
    EXPECT_GT(played, 4 * 44100);
    EXPECT_LT(played, reference.frames());
    // Callbacks take 441 frames at 44100 Hz: the music restarts exactly at
    // the start of one, with no silence or stray frames in between.
    EXPECT_EQ(played % 441, 0);
    EXPECT_GE(testing::matchingFrames(captured, start + played, reference, 0), 44100);
}

// Pausing, as the edit mode does: the clock holds while stopped, and the
// sound goes on from the next sample, with nothing skipped or repeated. The
// player is made with createIfAudible, which must play like create.
TEST(PortAudioOgg, StopHoldsTheClockAndStartContinuesFromTheNextSample) {
    AlsaTestDevice device;
    Pcm reference = testing::decodeReference(files().sixSeconds);
    ProbeRun run =
        runProbe(device, files().sixSeconds, {"if-audible", "play:1.5", "stop", "play:0.5", "start", "play:1.5"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.stops.size(), 1u);
    ASSERT_EQ(run.starts.size(), 1u);

    std::vector<Reading> before = between(run.readings, 0.0, run.stops[0]);
    std::vector<Reading> stopped = between(run.readings, run.stops[0], run.starts[0]);
    std::vector<Reading> after = between(run.readings, run.starts[0], 1e9);
    ASSERT_GT(before.size(), 100u);
    ASSERT_GT(stopped.size(), 50u);
    ASSERT_GT(after.size(), 100u);
    double held = stopped.front().clock;
    EXPECT_NEAR(held, before.back().clock, 0.02);
    for (const Reading& r : stopped) ASSERT_EQ(r.clock, held) << "at " << r.wall;
    // Started again, the clock goes on from where it stood at the stream's
    // pace, although this device takes in a second of sound at once when it
    // starts.
    EXPECT_GE(after.front().clock, held);
    EXPECT_LT(after.front().clock, held + 0.02);
    EXPECT_EQ(firstStepBack(after), -1);
    EXPECT_NEAR(after.back().clock - held, after.back().wall - run.starts[0], 0.05);
    EXPECT_NEAR(pace(after), 1.0, 0.02);

    const Pcm& captured = run.captured;
    std::int64_t start = testing::findFrames(captured, 0, reference, 0);
    ASSERT_GE(start, 0);
    std::int64_t played = testing::matchingFrames(captured, start, reference, 0);
    std::int64_t resumed = firstSound(captured, start + played);
    EXPECT_GT(resumed - (start + played), 0) << "the stop plays no silence at all";
    EXPECT_GE(testing::matchingFrames(captured, resumed, reference, played), 44100);
    // The clock stood where the sound stops: at the end of the last decoded
    // buffer, plus the time since that decode (the device calls back in
    // bursts a tenth of a second apart).
    EXPECT_NEAR(held, static_cast<double>(played) / 44100.0, 0.12);
}

TEST(PortAudioOgg, SeeksWhileStoppedShowAtOnceAndOnlyTheLastPlays) {
    AlsaTestDevice device;
    Pcm reference = testing::decodeReference(files().fourSeconds);
    ProbeRun run = runProbe(device, files().fourSeconds,
                            {"play:1", "stop", "seek:3", "seek:1", "seek:0.25", "play:0.3", "start", "play:1"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.starts.size(), 1u);

    std::vector<Reading> stopped = between(run.readings, run.seeks.back(), run.starts[0]);
    std::vector<Reading> after = between(run.readings, run.starts[0], 1e9);
    ASSERT_GT(stopped.size(), 20u);
    for (const Reading& r : stopped) ASSERT_EQ(r.clock, 0.25) << "at " << r.wall;
    ASSERT_FALSE(after.empty());
    EXPECT_GE(after.front().clock, 0.25);
    EXPECT_LT(after.front().clock, 0.25 + 0.02);
    EXPECT_EQ(firstStepBack(after), -1);
    EXPECT_NEAR(after.back().clock - 0.25, after.back().wall - run.starts[0], 0.05);

    const Pcm& captured = run.captured;
    std::int64_t start = testing::findFrames(captured, 0, reference, 0);
    ASSERT_GE(start, 0);
    std::int64_t played = testing::matchingFrames(captured, start, reference, 0);
    std::int64_t resumed = firstSound(captured, start + played);
    // What plays after the stop begins at 0.25 s: neither 3 s nor 1 s ever
    // took effect.
    EXPECT_GE(testing::matchingFrames(captured, resumed, reference, 11025), 22050);
}

// A decoding failure in the callback: the callback plays silence and the
// main thread raises it. A throwing fatal handler tells the threads apart:
// thrown on the main thread the probe catches it, thrown on the audio thread
// it aborts the process.
TEST(PortAudioOgg, ADecodingFailureIsRaisedOnTheThreadReadingTheClock) {
    AlsaTestDevice device;
    Pcm first = testing::decodeReference(files().twoSeconds);
    std::string broken = files().twoSeconds + testing::withUnusableFirstCodebook(files().fourSeconds);
    ProbeRun run = runProbe(device, broken, {"throwing-fatal", "play:4"});
    ASSERT_EQ(run.exitCode, 5) << run.errors;
    EXPECT_EQ(run.output.substr(run.output.rfind("fatal")), "fatal Error in ogg file\n");
    EXPECT_EQ(run.errors, "");
    // It was raised at the next reading: the clock stood near the end of
    // the first link.
    ASSERT_FALSE(run.readings.empty());
    EXPECT_GT(run.readings.back().clock, 1.5);
    EXPECT_LT(run.readings.back().clock, 2.5);

    std::int64_t start = testing::findFrames(run.captured, 0, first, 0);
    ASSERT_GE(start, 0);
    EXPECT_EQ(testing::matchingFrames(run.captured, start, first, 0), first.frames());
    EXPECT_TRUE(testing::silent(run.captured, start + first.frames(), run.captured.frames()));
}

TEST(PortAudioOgg, PlaysEveryLinkOfAChainedFileAtItsOwnRate) {
    testing::TempDir dir;
    std::string chained = testing::encodeTone(dir, {48000, 2, 1.0, 500.0, 21}) +
                          testing::encodeTone(dir, {48000, 2, 1.0, 700.0, 22});
    Pcm reference = testing::decodeReference(chained);
    ASSERT_GT(reference.frames(), 95000);
    AlsaTestDevice device(48000 * 4);
    ProbeRun run = runProbe(device, chained, {"play:3"}, 48000);
    ASSERT_EQ(run.exitCode, 0) << run.errors;

    std::int64_t start = testing::findFrames(run.captured, 0, reference, 0);
    ASSERT_GE(start, 0);
    EXPECT_EQ(testing::matchingFrames(run.captured, start, reference, 0), reference.frames());
    EXPECT_TRUE(testing::silent(run.captured, start + reference.frames(), run.captured.frames()));
    // The clock counts frames across both links.
    ASSERT_FALSE(run.readings.empty());
    EXPECT_GT(run.readings.back().clock, 2.5);
}

TEST(PortAudioOgg, ASecondPlayerIsRefused) {
    AlsaTestDevice device;
    ProbeRun run = runProbe(device, files().twoSeconds, {"again"});
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_EQ(run.errors, "Ogg player already exists\n");
}

TEST(PortAudioOgg, WithoutAnOutputDeviceThePortAudioReportEndsTheProcess) {
    AlsaTestDevice device = AlsaTestDevice::withoutOutput();
    ProbeRun run = runProbe(device, files().twoSeconds, {"play:1"});
    EXPECT_EQ(run.exitCode, 255);
    // Exactly the report (and the newline that ends every fatal message):
    // none of the sound libraries' complaints about missing cards.
    EXPECT_EQ(run.errors,
              "An error occured while using the portaudio stream at PA finding a default output device\n"
              "Error number: 0\n"
              "Error message: Success\n\n");
}

// The edit mode's creation: without an output the caller gets create's
// report and decides; nothing is left behind, so create can try again (and
// on this machine ends the process with the same report).
TEST(PortAudioOgg, WithoutAnOutputDeviceCreateIfAudibleReturnsTheReport) {
    AlsaTestDevice device = AlsaTestDevice::withoutOutput();
    ProbeRun run = runProbe(device, files().twoSeconds, {"if-audible", "play:1"});
    const std::string report =
        "An error occured while using the portaudio stream at PA finding a default output device\n"
        "Error number: 0\n"
        "Error message: Success\n";
    EXPECT_EQ(run.output, report + "portaudio shut down\n");
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_EQ(run.errors, report + "\n");
}

TEST(PortAudioOgg, UnplayableFilesAreRefusedBeforeTheStreamOpens) {
    testing::TempDir dir;
    struct Case {
        std::string data;
        std::string message;
    };
    std::vector<Case> cases = {
        {testing::encodeTone(dir, {44100, 1, 0.3, 440.0, 31}), "Cannot use mono channel vorbis files at this time"},
        {files().twoSeconds.substr(0, 4000), "OGG not seekable"},
    };
    for (const Case& c : cases) {
        for (std::vector<std::string> steps : {std::vector<std::string>{}, std::vector<std::string>{"if-audible"}}) {
            AlsaTestDevice device;
            steps.push_back("play:1");
            ProbeRun run = runProbe(device, c.data, steps);
            EXPECT_EQ(run.exitCode, 255) << steps[0];
            EXPECT_EQ(run.errors, c.message + "\n") << steps[0];
            EXPECT_EQ(run.output, "") << steps[0];
            EXPECT_EQ(run.captured.frames(), 0) << "no stream may have been opened";
        }
    }
}

}  // namespace
}  // namespace quadrelume
