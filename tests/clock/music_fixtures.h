// Ogg Vorbis files made at test time, an independent reference decode, and
// helpers for comparing captured sound with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace quadrelume::testing {

// A deterministic, loud test signal: a different tone on each channel plus a
// little pseudo-random noise, so that decoded frames are practically never
// all zero and any two stretches of it differ.
struct ToneSpec {
    int rate = 44100;
    int channels = 2;
    double seconds = 1.0;
    double frequency = 440.0;
    int serial = 1;  // Ogg stream serial number; links of a chain need distinct ones
    double step = 0.0;  // Hz added to the tone at each whole second: second k sounds frequency + k × step
    double click = -1.0;  // when not negative: no tone, only a loud click of 1 ms at this time (seconds)
    // When positive: the tone alone, the same on every channel, at this peak
    // (a fraction of full scale), with no noise; frequency 0 is silence.
    double plain = 0.0;
};

// The signal of `signal` encoded with oggenc (quality 3), as file bytes. `dir`
// holds the intermediate files.
std::string encodeTone(const TempDir& dir, const ToneSpec& signal);

// Decoded sound: interleaved 16-bit samples.
struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;
    std::int64_t frames() const { return channels == 0 ? 0 : static_cast<std::int64_t>(samples.size()) / channels; }
};

// `bytes` decoded whole with Tremor, read through a stdio stream rather than
// the player's memory callbacks. Throws when the data cannot be opened.
Pcm decodeReference(const std::string& bytes);

// Raw little-endian 16-bit stereo bytes as a Pcm.
Pcm stereoPcm(const std::string& raw, int rate);

// The number of stereo frames from `a` at `aFrame` on that equal those of `b`
// at `bFrame` on, up to the end of either.
std::int64_t matchingFrames(const Pcm& a, std::int64_t aFrame, const Pcm& b, std::int64_t bFrame);

// The first frame at or after `from` in `haystack` where `length` frames of
// `needle` from `needleFrame` on appear; -1 when they do not.
std::int64_t findFrames(const Pcm& haystack, std::int64_t from, const Pcm& needle, std::int64_t needleFrame,
                        std::int64_t length = 64);

// Whether every sample of frames [from, to) of `pcm` is 0.
bool silent(const Pcm& pcm, std::int64_t from, std::int64_t to);

// The pages of an Ogg file, each as its bytes, in file order.
std::vector<std::string> oggPages(const std::string& bytes);

// One Ogg page with a correct checksum: a single packet of `body` (under 255
// bytes) in stream `serial`, page sequence number `sequence`, no granule.
std::string oggPage(std::uint32_t serial, std::uint32_t sequence, const std::string& body);

// `bytes` with the stretch from fraction `from` to fraction `to` of its
// length overwritten by zeros: the pages there are lost to a decoder.
std::string withBytesZeroed(const std::string& bytes, double from, double to);

// `ogg` (one link) with its first codebook made unusable: every codeword one
// bit long, for more words than one bit tells apart. The headers still parse,
// so the file opens; setting up its decoding fails.
std::string withUnusableFirstCodebook(const std::string& ogg);

}  // namespace quadrelume::testing
