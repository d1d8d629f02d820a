// Video files from quadrelume-capture read back with libavformat and
// libavcodec: codecs, size, frame rate and count, and the music in them.
extern "C" {
#include <libavformat/avformat.h>
}
#include <ogg/ogg.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "capture_support.h"
#include "clock/music_fixtures.h"
#include "media_reading.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

// Every packet of the first logical stream of an Ogg file, in order.
std::vector<std::string> oggPackets(const std::string& bytes) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer);
    ogg_sync_wrote(&sync, static_cast<long>(bytes.size()));
    ogg_stream_state stream;
    bool started = false;
    std::vector<std::string> packets;
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        if (!started) ogg_stream_init(&stream, ogg_page_serialno(&page));
        started = true;
        ogg_stream_pagein(&stream, &page);
        ogg_packet packet;
        while (ogg_stream_packetout(&stream, &packet) == 1)
            packets.emplace_back(reinterpret_cast<const char*>(packet.packet), static_cast<std::size_t>(packet.bytes));
    }
    if (started) ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
    return packets;
}

// The squared difference of the left channels of `a` from frame `aAt` and
// `b` from frame `bAt`, over `frames` frames.
double difference(const Pcm& a, std::int64_t aAt, const Pcm& b, std::int64_t bAt, std::int64_t frames) {
    double sum = 0.0;
    for (std::int64_t i = 0; i < frames; ++i) {
        const double d = a.samples[2 * (aAt + i)] - b.samples[2 * (bAt + i)];
        sum += d * d;
    }
    return sum;
}

// Where frame 0 of `part` lies in `whole`: the offset within `around` ±
// `reach` whose stretch of `part` (from its frame `skip`) differs least.
std::int64_t bestOffset(const Pcm& part, const Pcm& whole, std::int64_t around, std::int64_t reach,
                        std::int64_t skip) {
    std::int64_t best = around;
    double bestDifference = -1.0;
    for (std::int64_t offset = around - reach; offset <= around + reach; ++offset) {
        double d = difference(part, skip, whole, offset + skip, 512);
        if (bestDifference < 0.0 || d < bestDifference) {
            bestDifference = d;
            best = offset;
        }
    }
    return best;
}

// A demo whose frames change over time, with two seconds of music.
class VideoFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        demo = new TempDir;
        TempDir work;
        music = new std::string(encodeTone(work, {44100, 2, 2.0, 440.0, 1}));
        demo->write("demo.ogg", *music);
        demo->write("time.txt", "0 2 level = lin(0, 1)\n0 2 #fill\n");
        demo->write("fill.ps",
                    "precision highp float;\nuniform vec2 resolution;\nuniform float level;\n"
                    "void main() { gl_FragColor = vec4(gl_FragCoord.xy / resolution, level, 1.0); }\n");
    }
    static void TearDownTestSuite() {
        delete demo;
        delete music;
    }

    // Captures into `name` in the demo folder with `arguments` added.
    static std::string capture(const std::string& name, std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--size", "64x36", name});
        CaptureRun run = runCaptureProgram(arguments, demo->path());
        EXPECT_EQ(run.code, 0) << run.errors;
        return demo->file(name);
    }

    static TempDir* demo;
    static std::string* music;
};

TempDir* VideoFile::demo = nullptr;
std::string* VideoFile::music = nullptr;

TEST_F(VideoFile, Mp4HoldsH264AndTheMusicAlignedInAac) {
    const std::string path = capture("out.mp4", {"--fps", "30000/1001", "--from", "0.5", "--to", "1.5"});
    Media media = readMedia(path);
    EXPECT_EQ(media.video.codec, AV_CODEC_ID_H264);
    EXPECT_EQ(media.video.width, 64);
    EXPECT_EQ(media.video.height, 36);
    EXPECT_EQ(media.video.format, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(av_cmp_q(media.video.frameRate, AVRational{30000, 1001}), 0);
    EXPECT_EQ(media.video.packets.size(), 30u);  // 1 s at 29.97 fps, rounded up
    EXPECT_EQ(media.audio.codec, AV_CODEC_ID_AAC);

    // The AAC frames lie on a grid from t = 0, so that sections join: the
    // sound starts at the first grid point at or after t = 0.5 (an empty
    // edit before it), with the music's sample for that time, and lasts to
    // the end of the 30 frames.
    const Pcm decoded = decodeAudio(path);
    const Pcm reference = decodeReference(*music);
    ASSERT_GT(decoded.frames(), 40000);
    const std::int64_t gridPoint = (22050 + 1023) / 1024 * 1024;
    const double start = audioStart(path);
    EXPECT_NEAR(start * 44100.0, static_cast<double>(gridPoint - 22050), 0.5);
    const std::int64_t offset = bestOffset(decoded, reference, gridPoint, 1024, 4096);
    EXPECT_LE(std::abs(offset - gridPoint), 1);
    const std::int64_t span = decoded.frames() - 8192;
    const double noise = difference(decoded, 4096, reference, offset + 4096, span);
    const Pcm silence{44100, 2, std::vector<std::int16_t>(static_cast<std::size_t>(2 * span))};
    const double signal = difference(reference, offset + 4096, silence, 0, span);
    EXPECT_GT(10.0 * std::log10(signal / noise), 20.0);
    const double videoSeconds = 30.0 * 1001.0 / 30000.0;
    EXPECT_LT(std::abs(start + static_cast<double>(decoded.frames()) / 44100.0 - videoSeconds), 1001.0 / 30000.0);
}

TEST_F(VideoFile, MkvCopiesTheVorbisPacketsOfTheSectionUnchanged) {
    const std::string path = capture("out.mkv", {"--fps", "30", "--from", "0.5", "--to", "1.5"});
    Media media = readMedia(path);
    EXPECT_EQ(media.video.codec, AV_CODEC_ID_H264);
    EXPECT_EQ(media.video.packets.size(), 30u);
    ASSERT_EQ(media.audio.codec, AV_CODEC_ID_VORBIS);

    // The header packets, Xiph-laced, and then the audio packets, each
    // exactly one of the music's, in the music's order.
    const std::vector<std::string> packets = oggPackets(*music);
    ASSERT_GT(packets.size(), 3u);
    std::string headers(1, '\2');
    for (int i = 0; i < 2; ++i) {
        headers.append(packets[i].size() / 255, '\xff');
        headers += static_cast<char>(packets[i].size() % 255);
    }
    EXPECT_EQ(media.audio.extradata, headers + packets[0] + packets[1] + packets[2]);
    ASSERT_FALSE(media.audio.packets.empty());
    std::size_t first = 3;
    while (first < packets.size() && packets[first] != media.audio.packets[0]) ++first;
    ASSERT_LT(first + media.audio.packets.size(), packets.size() + 1);
    for (std::size_t i = 0; i < media.audio.packets.size(); ++i)
        EXPECT_TRUE(media.audio.packets[i] == packets[first + i]) << "packet " << i;

    // Decoded, they are exactly the music's samples from t = 0.5, the start
    // of the first packet cut there, up to the last packet boundary before
    // t = 1.5; the packet cut at the start is stamped at its own time, before
    // 0, so that its first sample that sounds plays at 0.
    const Pcm decoded = decodeAudio(path);
    const Pcm whole = decodeAudio(demo->file("demo.ogg"));
    ASSERT_GT(decoded.frames(), 40000);
    const std::int64_t offset = bestOffset(decoded, whole, 22050 + 1024, 1024, 0);
    EXPECT_EQ(offset, 22050);
    EXPECT_LE(offset + decoded.frames(), 66150);
    EXPECT_GT(offset + decoded.frames(), 66150 - 1024);
    EXPECT_EQ(matchingFrames(decoded, 0, whole, offset), decoded.frames());
    const double stamp = static_cast<double>(media.audio.pts[1]) * av_q2d(media.audio.timeBase);
    EXPECT_LE(stamp, 0.0);
    EXPECT_GT(stamp, -1024.0 / 44100.0 - 0.0011);
}

TEST_F(VideoFile, WebmHoldsVp9AndOpus) {
    const std::string path = capture("out.webm", {"--fps", "25", "--to", "1"});
    Media media = readMedia(path);
    EXPECT_EQ(media.video.codec, AV_CODEC_ID_VP9);
    EXPECT_EQ(media.video.width, 64);
    EXPECT_EQ(media.video.height, 36);
    EXPECT_EQ(media.video.packets.size(), 25u);
    EXPECT_EQ(media.audio.codec, AV_CODEC_ID_OPUS);
    const Pcm decoded = decodeAudio(path);
    EXPECT_NEAR(static_cast<double>(decoded.frames()) / decoded.rate, 1.0, 0.04);
}

}  // namespace
}  // namespace quadrelume
