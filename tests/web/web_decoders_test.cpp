// The web page's own decoders (stb_image, stb_vorbis), built natively, beside
// the player's (libpng, Tremor), and the links to a moment.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "clock/music_fixtures.h"
#include "render/png_pixels.h"
#include "support/png_writer.h"
#include "support/temp_dir.h"
#include "web/moment_link.h"
#include "web/music_pcm.h"
#include "web/png_stb.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

// `png` with a tRNS chunk of `body` after its header, checksums fitted.
std::string withTransparency(std::string png, const std::string& body) {
    const std::size_t afterHeader = 8 + 8 + 13 + 4;
    std::string chunk(4, '\0');
    chunk[3] = static_cast<char>(body.size());
    chunk += "tRNS" + body + std::string(4, '\0');
    png.insert(afterHeader, chunk);
    return withFittingCrcs(png);
}

std::vector<std::uint8_t> ramp(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return bytes;
}

// Every kind of image a texture may be, and those the rules refuse (only
// their headers matter then): the page's decoder reports what libpng does.
TEST(PageDecoders, ThePagesPngDecoderReadsWhatLibpngReads) {
    struct Case {
        const char* name;
        std::string png;
    };
    const Case cases[] = {
        {"grey", encodePng({3, 2, 8, 0, false, ramp(6)})},
        {"RGB three wide, rows of 9 bytes", encodePng({3, 3, 8, 2, false, ramp(27)})},
        {"grey with alpha", encodePng({2, 2, 8, 4, false, ramp(8)})},
        {"RGBA", encodePng({5, 3, 8, 6, false, ramp(60)})},
        {"interlaced RGBA", encodePng({9, 9, 8, 6, true, ramp(324)})},
        {"RGB with a transparent colour", withTransparency(encodePng({2, 2, 8, 2, false, ramp(12)}),
                                                           std::string("\0\x0b\0\x30\0\x55", 6))},
        {"grey with a transparent grey", withTransparency(encodePng({2, 1, 8, 0, false, ramp(2)}),
                                                          std::string("\0\x0b", 2))},
        {"16-bit RGB", encodePng({2, 2, 16, 2, false, ramp(24)})},
        {"palette", encodePng({2, 2, 8, 3, false, {0, 1, 2, 3}})},
        {"4-bit grey", encodePng({4, 1, 4, 0, false, {0x12, 0x34}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FileData file(c.png);
        std::optional<PngPixels> player = decodePngPixels(file);
        std::optional<PngPixels> page = readPngWithStbImage(file);
        ASSERT_TRUE(player && page);
        EXPECT_EQ(std::tie(player->width, player->height, player->bitDepth, player->colourType, player->channels,
                           player->rowBytes),
                  std::tie(page->width, page->height, page->bitDepth, page->colourType, page->channels,
                           page->rowBytes));
        // Rows only where the rules take the image.
        if (!page->rows.empty() || (player->bitDepth == 8 && player->colourType != 3)) {
            EXPECT_EQ(player->rows, page->rows);
        }
    }
}

TEST(PageDecoders, FilesThatAreNoImagesAreRefused) {
    const std::string png = encodePng({4, 4, 8, 6, false, ramp(64)});
    for (const std::string& bytes : {std::string("GIF89a"), png.substr(0, 20), std::string(png.size(), 'x')}) {
        EXPECT_FALSE(readPngWithStbImage(FileData(bytes)));
    }
    // Sides past what any texture may have, before anything is inflated.
    std::string huge = png;
    huge[16] = 1;
    EXPECT_FALSE(readPngWithStbImage(FileData(withFittingCrcs(huge))));
}

TEST(PageDecoders, ThePagesMusicIsThePlayersWithinOneStep) {
    TempDir dir;
    for (const ToneSpec& tone : {ToneSpec{44100, 2, 2.5, 440.0}, ToneSpec{22050, 2, 1.0, 1000.0, 1, 300.0}}) {
        SCOPED_TRACE(tone.rate);
        const std::string ogg = encodeTone(dir, tone);
        const Pcm player = decodeReference(ogg);
        std::string problem;
        std::optional<MusicPcm> page = decodeMusicPcm(FileData(ogg), &problem);
        ASSERT_TRUE(page) << problem;
        EXPECT_EQ(page->rate, player.rate);
        ASSERT_EQ(page->samples.size(), player.samples.size());
        int largest = 0;
        for (std::size_t i = 0; i < page->samples.size(); ++i)
            largest = std::max(largest, std::abs(page->samples[i] - player.samples[i]));
        EXPECT_LE(largest, 1);
    }
}

TEST(PageDecoders, MusicThePlayerRefusesIsRefusedWithItsMessage) {
    TempDir dir;
    std::string problem;
    EXPECT_FALSE(decodeMusicPcm(FileData(encodeTone(dir, {44100, 1, 0.5})), &problem));
    EXPECT_EQ(problem, "Cannot use mono channel vorbis files at this time");
    EXPECT_FALSE(decodeMusicPcm(FileData(std::string(5000, 'x')), &problem));
    EXPECT_EQ(problem, "OGG not seekable");
}

TEST(MomentLink, TheFragmentNamesTheStartAndWhetherToHold) {
    struct Case {
        const char* fragment;
        double start;
        bool paused;
    };
    const Case cases[] = {
        {"", 0.0, false},
        {"t=12.5", 12.5, false},
        {"t=12.5&paused", 12.5, true},
        {"paused&t=3", 3.0, true},
        {"t=12,5", 12.5, false},
        {"t=.5", 0.5, false},
        {"t=7.", 7.0, false},
        {"t=10000000", 1e7, false},
        // What does not read counts for nothing.
        {"t=10000001", 0.0, false},
        {"t=-1", 0.0, false},
        {"t=1e3", 0.0, false},
        {"t=inf", 0.0, false},
        {"t=", 0.0, false},
        {"t=1.2.3&paused", 0.0, true},
        {"time=4&pause", 0.0, false},
        {"t=4&t=6", 6.0, false},
    };
    for (const Case& c : cases) {
        const MomentLink link = parseMomentLink(c.fragment);
        EXPECT_EQ(link.start, c.start) << c.fragment;
        EXPECT_EQ(link.paused, c.paused) << c.fragment;
    }
}

// The start as the capture program reads --from: exact where a double is not.
TEST(MomentLink, TheStartInNanosecondsIsTheDecimalNumberExactly) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"t=2.3", 2300000000},
        {"t=0,1&paused", 100000000},
        {"t=10000000", 10000000000000000},
        {"t=0.1234567896", 123456790},
        {"t=1.2.3", 0},
    };
    for (const auto& [fragment, nanoseconds] : cases)
        EXPECT_EQ(parseMomentLink(fragment).startNanoseconds, nanoseconds) << fragment;
}

}  // namespace
}  // namespace quadrelume
