#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/wait.h>

#include <cmath>
#include <limits>
#include <memory>

#include "clock/music_fixtures.h"
#include "clock/ogg_music_decoder.h"
#include "platform/fatal.h"
#include "script/script_test_support.h"

namespace quadrelume {
namespace {

using testing::decodeReference;
using testing::exactStderr;
using testing::Pcm;
using testing::ToneSpec;

// Files made once for the whole program: encoding takes a moment.
struct Fixtures {
    testing::TempDir dir;
    std::string stereo = testing::encodeTone(dir, {44100, 2, 2.0, 440.0, 1});
    std::string other = testing::encodeTone(dir, {44100, 2, 1.0, 300.0, 2});
    std::string mono = testing::encodeTone(dir, {44100, 1, 0.5, 440.0, 3});
    std::string sixChannels = testing::encodeTone(dir, {44100, 6, 0.5, 440.0, 4});
    std::string at48k = testing::encodeTone(dir, {48000, 2, 0.5, 440.0, 5});
    Pcm stereoPcm = decodeReference(stereo);
};

const Fixtures& fixtures() {
    static const Fixtures* made = new Fixtures;
    return *made;
}

// The file's pages with `inserted` placed before the page at half the file.
std::string withPagesInMiddle(const std::string& ogg, const std::vector<std::string>& inserted) {
    std::vector<std::string> pages = testing::oggPages(ogg);
    std::string out;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i == pages.size() / 2)
            for (const std::string& page : inserted) out += page;
        out += pages[i];
    }
    return out;
}

// Renders buffers of `framesPerBuffer` frames, one per 10 ms of stream time
// from `time` on, until `frames` frames have been produced.
Pcm render(OggMusicDecoder& decoder, std::int64_t frames, unsigned long framesPerBuffer = 441, double time = 0.0) {
    Pcm pcm;
    pcm.rate = decoder.rate();
    pcm.channels = 2;
    std::vector<std::int16_t> buffer(framesPerBuffer * 2);
    for (std::int64_t done = 0; done < frames; done += static_cast<std::int64_t>(framesPerBuffer), time += 0.01) {
        std::fill(buffer.begin(), buffer.end(), std::int16_t{0x5555});  // not silence: render must write every frame
        decoder.render(buffer.data(), framesPerBuffer, time);
        pcm.samples.insert(pcm.samples.end(), buffer.begin(), buffer.end());
    }
    return pcm;
}

class DecoderBufferSize : public ::testing::TestWithParam<unsigned long> {};

TEST_P(DecoderBufferSize, DecodesEveryFrameInOrderThenSilence) {
    const Pcm& reference = fixtures().stereoPcm;
    FileData file(fixtures().stereo);
    OggMusicDecoder decoder(&file);
    EXPECT_EQ(decoder.rate(), 44100);
    EXPECT_EQ(decoder.totalFrames(), reference.frames());

    Pcm out = render(decoder, reference.frames() + 3000, GetParam());
    EXPECT_EQ(testing::matchingFrames(out, 0, reference, 0), reference.frames());
    // The buffer in which the data ends keeps its decoded frames; only the
    // rest of it, and everything after, is silence.
    EXPECT_TRUE(testing::silent(out, reference.frames(), out.frames()));
}

INSTANTIATE_TEST_SUITE_P(Frames, DecoderBufferSize, ::testing::Values(1ul, 441ul, 480ul, 4096ul));

double readingAt(const OggMusicDecoder& decoder, double streamTime) {
    return static_cast<double>(decoder.reading(streamTime));
}

TEST(OggMusicDecoder, ReadingRunsOnFromTheLastRenderNoFurtherThanAStalledDeviceCouldPlay) {
    FileData file(fixtures().stereo);
    OggMusicDecoder decoder(&file);
    decoder.setStallAllowance(0.05);  // what the device tells: its latency plus a buffer
    decoder.setReferenceTime(100.0);
    EXPECT_NEAR(readingAt(decoder, 100.03), 0.03, 1e-9);
    EXPECT_NEAR(readingAt(decoder, 110.0), 0.05, 1e-9);

    std::vector<std::int16_t> buffer(441 * 2);
    decoder.render(buffer.data(), 441, 200.0);
    EXPECT_NEAR(readingAt(decoder, 200.0), 0.01, 1e-9);
    EXPECT_NEAR(readingAt(decoder, 200.03), 0.04, 1e-9);
    // Ten seconds without a render: the device has long played all it held.
    EXPECT_NEAR(readingAt(decoder, 210.0), 0.06, 1e-9);

    // A device that takes 0.2 s at once, every 0.2 s, from its start holds
    // at least that much: the reading flows on between its bursts, and stops
    // after as much when they stop. A burst after a stall, making up for
    // it, says nothing of what it holds.
    decoder.setReferenceTime(300.0);
    for (int burst = 0; burst < 3; ++burst)
        for (int i = 0; i < 20; ++i) decoder.render(buffer.data(), 441, 300.0 + 0.2 * burst);
    EXPECT_NEAR(readingAt(decoder, 300.55), 0.61 + 0.15, 1e-9);
    EXPECT_NEAR(readingAt(decoder, 310.0), 0.61 + 0.2, 1e-9);
    for (int i = 0; i < 1000; ++i) decoder.render(buffer.data(), 441, 310.0);
    EXPECT_NEAR(readingAt(decoder, 320.0), 10.61 + 0.2, 1e-9);

    // Past the end of the data, the silent buffers count as played: the
    // reading goes on at the pace of the renders, and stalls with them.
    decoder.requestSeek(static_cast<double>(decoder.totalFrames() - 441) / 44100.0);
    double total = static_cast<double>(decoder.totalFrames()) / 44100.0;
    for (int i = 0; i <= 100; ++i) decoder.render(buffer.data(), 441, 400.0 + i * 0.01);
    EXPECT_NEAR(readingAt(decoder, 401.0), total + 1.0, 1e-9);
    EXPECT_NEAR(readingAt(decoder, 411.0), total + 1.2, 1e-9);
}

struct SeekCase {
    const char* name;
    double seconds;
    double firstReading;         // before the seek is carried out
    std::int64_t expectedFrame;  // at or past the end: silence
};

class DecoderSeek : public ::testing::TestWithParam<SeekCase> {};

TEST_P(DecoderSeek, ReadsTheTargetAtOnceAndTheNextRenderContinuesFromIt) {
    const Pcm& reference = fixtures().stereoPcm;
    FileData file(fixtures().stereo);
    OggMusicDecoder decoder(&file);
    decoder.setStallAllowance(1.0);
    render(decoder, 30000);  // somewhere in the middle first

    decoder.requestSeek(GetParam().seconds);
    EXPECT_TRUE(decoder.seekPending());
    // Until a render has carried it out, and however much stream time passes.
    EXPECT_DOUBLE_EQ(readingAt(decoder, 0.5), GetParam().firstReading);
    EXPECT_DOUBLE_EQ(readingAt(decoder, 40.0), GetParam().firstReading);
    Pcm out = render(decoder, 441, 441, 50.0);
    EXPECT_FALSE(decoder.seekPending());
    std::int64_t frame = GetParam().expectedFrame;
    if (frame >= reference.frames()) EXPECT_TRUE(testing::silent(out, 0, 441));
    else EXPECT_EQ(testing::matchingFrames(out, 0, reference, frame), 441);
    double after = readingAt(decoder, 50.0);
    EXPECT_DOUBLE_EQ(after, static_cast<double>(frame + 441) / 44100.0);
    EXPECT_GT(after, GetParam().firstReading);
}

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr std::int64_t lastSeekFrame = std::int64_t{1} << 53;

INSTANTIATE_TEST_SUITE_P(
    Targets, DecoderSeek,
    ::testing::Values(SeekCase{"Start", 0.0, 0.0, 0}, SeekCase{"Middle", 0.5, 0.5, 22050},
                      SeekCase{"Truncated", 1.00001, 1.00001, 44100}, SeekCase{"BeforeStart", -3.0, 0.0, 0},
                      SeekCase{"NotANumber", std::nan(""), 0.0, 0}, SeekCase{"AtEnd", 2.0, 2.0, 88200},
                      SeekCase{"PastEnd", 1e6, 1e6, 44100000000},
                      SeekCase{"Infinity", infinity, static_cast<double>(lastSeekFrame) / 44100.0, lastSeekFrame}),
    [](const auto& info) { return info.param.name; });

TEST(OggMusicDecoder, PlaysEveryLinkOfAChainedFile) {
    std::string chained = fixtures().stereo + fixtures().other;
    Pcm reference = decodeReference(chained);
    Pcm first = fixtures().stereoPcm;
    ASSERT_GT(reference.frames(), first.frames() + 40000);  // the reference decoder sees both links

    FileData file(chained);
    OggMusicDecoder decoder(&file);
    EXPECT_EQ(decoder.totalFrames(), reference.frames());
    Pcm out = render(decoder, reference.frames() + 1000);
    EXPECT_EQ(testing::matchingFrames(out, 0, reference, 0), reference.frames());
    EXPECT_TRUE(testing::silent(out, reference.frames(), out.frames()));

    // Seeking into the second link counts frames across the links.
    decoder.requestSeek(static_cast<double>(first.frames() + 1000) / 44100.0);
    Pcm later = render(decoder, 441);
    EXPECT_EQ(testing::matchingFrames(later, 0, reference, first.frames() + 1000), 441);
}

// Data with `count` pages of its own stream but out of sequence in the middle:
// each is a hole in the data for the decoder, followed by a packet that is no
// audio.
std::string withHoles(int count) {
    std::vector<std::string> pages = testing::oggPages(fixtures().stereo);
    std::uint32_t serial = static_cast<std::uint32_t>(pages[0][14] & 0xFF);  // serials below 256 in the fixtures
    std::vector<std::string> holes;
    for (int i = 0; i < count; ++i) holes.push_back(testing::oggPage(serial, 100000u + 2u * i, "\x01junk"));
    return withPagesInMiddle(fixtures().stereo, holes);
}

TEST(OggMusicDecoder, AFewHolesAreSkipped) {
    const Pcm& reference = fixtures().stereoPcm;
    FileData file(withHoles(8));
    OggMusicDecoder decoder(&file);
    Pcm out = render(decoder, reference.frames() + 1000);
    // The end of the music still plays.
    std::int64_t tail = reference.frames() - 2000;
    EXPECT_GE(testing::findFrames(out, 0, reference, tail, 2000), 0);
}

TEST(OggMusicDecoder, EndlessHolesEndTheData) {
    const Pcm& reference = fixtures().stereoPcm;
    FileData file(withHoles(200));  // far more holes in a row than the decoder tolerates
    OggMusicDecoder decoder(&file);
    Pcm out = render(decoder, reference.frames() + 1000);
    // The decoder gave up at the damage: the rest of the music never plays,
    // and the clock stands at the end.
    std::int64_t tail = reference.frames() - 2000;
    EXPECT_LT(testing::findFrames(out, 0, reference, tail, 2000), 0);
    EXPECT_GE(testing::findFrames(out, 0, reference, 1000, 2000), 0);
    // The position jumped to the end after the last sound, and the silence
    // from there on counts as played.
    std::int64_t lastSound = out.frames() - 1;
    while (testing::silent(out, lastSound, lastSound + 1)) --lastSound;
    std::int64_t silence = out.frames() - (lastSound + 1);
    double lastRender = static_cast<double>(out.frames() / 441 - 1) * 0.01;
    EXPECT_NEAR(readingAt(decoder, lastRender), static_cast<double>(decoder.totalFrames() + silence) / 44100.0, 1e-9);
}

// How the frames of `out` from `at` on compare with the same frames of `whole`.
struct InPlace {
    std::int64_t same = 0;
    std::int64_t silent = 0;
    std::int64_t other = 0;  // neither: a sample out of its place
};

InPlace compareInPlace(const Pcm& out, std::int64_t at, const Pcm& whole) {
    InPlace counts;
    for (std::int64_t i = 0; at + i < whole.frames() && i < out.frames(); ++i) {
        const std::int16_t* frame = &out.samples[static_cast<std::size_t>(2 * i)];
        const std::int16_t* wanted = &whole.samples[static_cast<std::size_t>(2 * (at + i))];
        if (frame[0] == wanted[0] && frame[1] == wanted[1]) ++counts.same;
        else if (frame[0] == 0 && frame[1] == 0) ++counts.silent;
        else ++counts.other;
    }
    return counts;
}

// Twenty seconds whose second k sounds 300 + 100k Hz, with 5 % of its bytes
// overwritten by zeros from 30 % of the file on: a stretch of pages is lost.
// What the player plays, and its clock counts, must stay where the music
// has it: the decoded samples of every other page at their own time, and
// silence in place of what is lost.
TEST(DamagedMusic, TheDecoderKeepsEverySampleInPlaceAndPlaysSilenceForWhatIsLost) {
    testing::TempDir dir;
    const std::string music = testing::encodeTone(dir, ToneSpec{.seconds = 20.0, .frequency = 300.0, .serial = 9, .step = 100.0});
    const Pcm whole = decodeReference(music);
    FileData file(testing::withBytesZeroed(music, 0.30, 0.35));
    OggMusicDecoder decoder(&file);
    EXPECT_EQ(decoder.totalFrames(), whole.frames());

    const Pcm out = render(decoder, whole.frames());
    const InPlace played = compareInPlace(out, 0, whole);
    EXPECT_EQ(played.other, 0);
    EXPECT_GT(played.silent, 44100 / 10);
    EXPECT_GT(played.same, whole.frames() * 8 / 10);
    EXPECT_EQ(decoder.damagedFrames(), played.silent);
    // The silence is one stretch, where the damage is.
    std::int64_t first = 0;
    while (!testing::silent(out, first, first + 1)) ++first;
    EXPECT_TRUE(testing::silent(out, first, first + played.silent));
    EXPECT_GT(first, whole.frames() / 5);
    EXPECT_LT(first, whole.frames() / 2);

    // A seek into the damage lands in place too, however the decoder
    // library finds its way there.
    const std::int64_t target = first + played.silent / 2;
    decoder.requestSeek(static_cast<double>(target) / 44100.0);
    const Pcm after = render(decoder, 3 * 44100);
    const InPlace sought = compareInPlace(after, target, whole);
    EXPECT_EQ(sought.other, 0);
    EXPECT_GT(sought.same, 44100);
}

// A failure met in render must not end the process from the audio thread:
// render records it and plays silence from there on, leaving the decoder
// library alone (Tremor faults when asked to seek again after such a
// failure).
struct FailureCase {
    const char* name;
    double seekTo;  // below 0: play from the start
    const char* message;
};

class DecoderFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(DecoderFailure, RenderRecordsItAndPlaysSilenceFromThenOn) {
    const Pcm& first = fixtures().stereoPcm;
    FileData file(fixtures().stereo + testing::withUnusableFirstCodebook(fixtures().other));
    OggMusicDecoder decoder(&file);
    if (GetParam().seekTo >= 0) decoder.requestSeek(GetParam().seekTo);
    Pcm out = render(decoder, first.frames() + 22050);
    ASSERT_NE(decoder.failure(), nullptr);
    EXPECT_STREQ(decoder.failure(), GetParam().message);
    std::int64_t played = GetParam().seekTo >= 0 ? 0 : first.frames();
    EXPECT_EQ(testing::matchingFrames(out, 0, first, 0), played);
    EXPECT_TRUE(testing::silent(out, played, out.frames()));

    decoder.requestSeek(0.5);
    Pcm later = render(decoder, 4410);
    EXPECT_FALSE(decoder.seekPending());
    EXPECT_TRUE(testing::silent(later, 0, later.frames()));
    EXPECT_STREQ(decoder.failure(), GetParam().message) << "the first failure is the one reported";
}

INSTANTIATE_TEST_SUITE_P(BrokenSecondLink, DecoderFailure,
                         ::testing::Values(FailureCase{"PlayingIntoIt", -1.0, "Error in ogg file"},
                                           FailureCase{"SeekingIntoIt", 2.5, "Error seeking in ogg file"}),
                         [](const auto& info) { return info.param.name; });

struct RefusedCase {
    const char* name;
    std::string (*data)();
    const char* message;
};

class DecoderRefuses : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(DecoderRefuses, UnplayableDataEndsTheProcessWithItsMessage) {
    std::string data = GetParam().data();
    EXPECT_EXIT(
        {
            FileData file(data);
            OggMusicDecoder decoder(&file);
        },
        ::testing::ExitedWithCode(255), exactStderr(GetParam().message));
}

struct Refusal {
    std::string message;
};

// A fatal handler may unwind instead of exiting (a fuzzer's does); the
// refused decoder must then leave none of its state behind. A leak here is
// some 90 KB of decoder records per refusal: the heap's in-use bytes show it,
// and LeakSanitizer shows it in the sanitized build.
TEST_P(DecoderRefuses, ARefusalThatUnwindsReleasesTheDecoder) {
    const std::string data = GetParam().data();
    const FileData file(data);
    auto refusal = [&file]() -> std::string {
        try {
            OggMusicDecoder decoder(&file);
        } catch (const Refusal& refused) {
            return refused.message;
        }
        return "<accepted>";
    };
    FatalHandler previous = setFatalHandler([](const std::string& message) { throw Refusal{message}; });
    const std::string first = refusal();  // the libraries' one-time set-up, if any, happens here
    const std::size_t before = mallinfo2().uordblks;
    int refusals = 0;
    for (int i = 0; i < 20; ++i) refusals += refusal() == GetParam().message;
    const std::size_t after = mallinfo2().uordblks;
    setFatalHandler(previous);
    EXPECT_EQ(first, GetParam().message);
    EXPECT_EQ(refusals, 20);
    EXPECT_LT(after, before + 16384) << "bytes still in use after 20 refusals: " << after - before;
}

std::string firstPages(const std::string& ogg, std::size_t count) {
    std::vector<std::string> pages = testing::oggPages(ogg);
    std::string out;
    for (std::size_t i = 0; i < count && i < pages.size(); ++i) out += pages[i];
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, DecoderRefuses,
    ::testing::Values(
        RefusedCase{"Mono", [] { return fixtures().mono; }, "Cannot use mono channel vorbis files at this time"},
        RefusedCase{"SixChannels", [] { return fixtures().sixChannels; },
                    "Cannot use mono channel vorbis files at this time"},
        RefusedCase{"DifferentRates", [] { return fixtures().stereo + fixtures().at48k; },
                    "Different samplerates detected inside file"},
        // Link 1 has both a different rate and one channel: the rate is checked first.
        RefusedCase{"RateBeforeChannels",
                    [] { return fixtures().stereo + testing::encodeTone(fixtures().dir, {22050, 1, 0.3, 500.0, 6}); },
                    "Different samplerates detected inside file"},
        RefusedCase{"MonoSecondLink", [] { return fixtures().stereo + fixtures().mono; },
                    "Cannot use mono channel vorbis files at this time"},
        RefusedCase{"Garbage", [] { return std::string(5000, 'x'); }, "OGG not seekable"},
        RefusedCase{"Empty", [] { return std::string(); }, "OGG not seekable"},
        RefusedCase{"HeadersOnly", [] { return firstPages(fixtures().stereo, 2); }, "OGG not seekable"}),
    [](const auto& info) { return info.param.name; });

// Cut-off files: each either is refused as unseekable or plays what it has
// and then stays silent; none may crash the decoder.
class DecoderTruncated : public ::testing::TestWithParam<int> {};

TEST_P(DecoderTruncated, PlaysWhatIsThereOrIsRefused) {
    const std::string& whole = fixtures().stereo;
    std::string cut = whole.substr(0, whole.size() * static_cast<std::size_t>(GetParam()) / 64);
    EXPECT_EXIT(
        {
            FileData file(cut);
            OggMusicDecoder decoder(&file);
            std::vector<std::int16_t> buffer(441 * 2);
            for (int i = 0; i < 300; ++i) decoder.render(buffer.data(), 441, i * 0.01);
            decoder.requestSeek(0.0);
            decoder.render(buffer.data(), 441, 3.0);
            std::exit(decoder.reading(3.0) > 0 ? 0 : 1);
        },
        [](int status) { return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 255); },
        "^(OGG not seekable\n)?$");
}

INSTANTIATE_TEST_SUITE_P(SixtyFourths, DecoderTruncated, ::testing::Range(1, 64, 3));

}  // namespace
}  // namespace quadrelume
