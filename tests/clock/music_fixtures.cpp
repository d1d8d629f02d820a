#include "clock/music_fixtures.h"

#include <ogg/ogg.h>
#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "support/process.h"

namespace quadrelume::testing {

std::string encodeTone(const TempDir& dir, const ToneSpec& signal) {
    auto frames = static_cast<std::int64_t>(signal.seconds * signal.rate);
    std::string raw;
    raw.reserve(static_cast<std::size_t>(frames * signal.channels * 2));
    std::uint32_t noise = 12345u + static_cast<std::uint32_t>(signal.serial);
    for (std::int64_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / signal.rate;
        double frequency = signal.frequency + signal.step * std::floor(t);
        for (int c = 0; c < signal.channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            double tone = std::sin(2.0 * M_PI * frequency * (1.0 + 0.5 * c) * t) * (12000.0 - 1000.0 * c);
            if (signal.click >= 0.0) tone = t >= signal.click && t < signal.click + 0.001 ? 24000.0 : 0.0;
            auto sample = static_cast<std::int16_t>(tone + static_cast<double>(noise >> 21) - 1024.0);
            if (signal.plain > 0.0)
                sample = static_cast<std::int16_t>(std::lround(std::sin(2.0 * M_PI * frequency * t) * signal.plain * 32767.0));
            raw.push_back(static_cast<char>(sample & 0xFF));
            raw.push_back(static_cast<char>((sample >> 8) & 0xFF));
        }
    }
    std::string name = "tone-" + std::to_string(signal.serial) + "-" + std::to_string(signal.rate) + "-" +
                       std::to_string(signal.channels);
    dir.write(name + ".raw", raw);
    Process encoder({"/usr/bin/oggenc", "-Q", "-r", "-R", std::to_string(signal.rate), "-C",
                     std::to_string(signal.channels), "-s", std::to_string(signal.serial), "-o", dir.file(name + ".ogg"),
                     dir.file(name + ".raw")},
                    dir.path());
    if (encoder.waitForExit(60) != 0) throw std::runtime_error("oggenc failed: " + encoder.errors());
    return readFileText(dir.file(name + ".ogg"));
}

Pcm decodeReference(const std::string& bytes) {
    std::FILE* file = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
    if (file == nullptr) throw std::runtime_error("fmemopen failed");
    OggVorbis_File vorbis{};
    if (ov_open(file, &vorbis, nullptr, 0) != 0) {
        std::fclose(file);
        throw std::runtime_error("reference decoder cannot open the data");
    }
    Pcm pcm;
    pcm.rate = static_cast<int>(ov_info(&vorbis, 0)->rate);
    pcm.channels = ov_info(&vorbis, 0)->channels;
    char buffer[8192];
    int link = 0;
    for (;;) {
        long got = ov_read(&vorbis, buffer, sizeof buffer, &link);
        if (got == 0) break;
        if (got < 0) continue;  // a hole: the data goes on after it
        std::size_t at = pcm.samples.size();
        pcm.samples.resize(at + static_cast<std::size_t>(got) / 2);
        std::memcpy(pcm.samples.data() + at, buffer, static_cast<std::size_t>(got));
    }
    ov_clear(&vorbis);  // closes the stream too
    return pcm;
}

Pcm stereoPcm(const std::string& raw, int rate) {
    Pcm pcm;
    pcm.rate = rate;
    pcm.channels = 2;
    pcm.samples.resize(raw.size() / 4 * 2);
    if (!pcm.samples.empty()) std::memcpy(pcm.samples.data(), raw.data(), pcm.samples.size() * 2);
    return pcm;
}

std::int64_t matchingFrames(const Pcm& a, std::int64_t aFrame, const Pcm& b, std::int64_t bFrame) {
    std::int64_t n = 0;
    while (aFrame + n < a.frames() && bFrame + n < b.frames() &&
           std::memcmp(&a.samples[static_cast<std::size_t>((aFrame + n) * 2)],
                       &b.samples[static_cast<std::size_t>((bFrame + n) * 2)], 4) == 0)
        ++n;
    return n;
}

std::int64_t findFrames(const Pcm& haystack, std::int64_t from, const Pcm& needle, std::int64_t needleFrame,
                        std::int64_t length) {
    if (needleFrame + length > needle.frames()) length = needle.frames() - needleFrame;
    for (std::int64_t at = from; at + length <= haystack.frames(); ++at)
        if (matchingFrames(haystack, at, needle, needleFrame) >= length) return at;
    return -1;
}

bool silent(const Pcm& pcm, std::int64_t from, std::int64_t to) {
    for (std::int64_t i = from * pcm.channels; i < to * pcm.channels; ++i)
        if (pcm.samples[static_cast<std::size_t>(i)] != 0) return false;
    return true;
}

std::vector<std::string> oggPages(const std::string& bytes) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(bytes.size()));
    std::memcpy(buffer, bytes.data(), bytes.size());
    ogg_sync_wrote(&sync, static_cast<long>(bytes.size()));
    std::vector<std::string> pages;
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1)
        pages.push_back(std::string(reinterpret_cast<char*>(page.header), static_cast<std::size_t>(page.header_len)) +
                        std::string(reinterpret_cast<char*>(page.body), static_cast<std::size_t>(page.body_len)));
    ogg_sync_clear(&sync);
    return pages;
}

std::string oggPage(std::uint32_t serial, std::uint32_t sequence, const std::string& body) {
    if (body.size() >= 255) throw std::invalid_argument("one lacing value only");
    unsigned char header[28] = {'O', 'g', 'g', 'S', 0, 0};
    std::memset(header + 6, 0xFF, 8);  // granule position -1: no packet ends a decode here
    for (int i = 0; i < 4; ++i) {
        header[14 + i] = static_cast<unsigned char>(serial >> (8 * i));
        header[18 + i] = static_cast<unsigned char>(sequence >> (8 * i));
    }
    header[26] = 1;
    header[27] = static_cast<unsigned char>(body.size());
    std::string bodyCopy = body;
    ogg_page page{header, 28, reinterpret_cast<unsigned char*>(bodyCopy.data()), static_cast<long>(bodyCopy.size())};
    ogg_page_checksum_set(&page);
    return std::string(reinterpret_cast<char*>(header), 28) + bodyCopy;
}

std::string withBytesZeroed(const std::string& bytes, double from, double to) {
    std::string out = bytes;
    const auto begin = static_cast<std::size_t>(from * static_cast<double>(bytes.size()));
    const auto end = static_cast<std::size_t>(to * static_cast<double>(bytes.size()));
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(begin), out.begin() + static_cast<std::ptrdiff_t>(end), '\0');
    return out;
}

namespace {

// Vorbis header fields: packed from the least significant bit of each byte.
struct BitCursor {
    std::string& bytes;
    std::size_t bit;

    unsigned read(int count) {
        unsigned value = 0;
        for (int i = 0; i < count; ++i, ++bit) value |= static_cast<unsigned>(byte() >> (bit % 8) & 1u) << i;
        return value;
    }
    void write(int count, unsigned value) {
        for (int i = 0; i < count; ++i, ++bit) {
            auto mask = static_cast<unsigned char>(1u << (bit % 8));
            byte() = static_cast<unsigned char>((value >> i & 1u) ? byte() | mask : byte() & ~mask);
        }
    }
    unsigned char& byte() {
        if (bit / 8 >= bytes.size()) throw std::runtime_error("the codebook runs past its page");
        return reinterpret_cast<unsigned char&>(bytes[bit / 8]);
    }
};

}  // namespace

std::string withUnusableFirstCodebook(const std::string& ogg) {
    std::vector<std::string> pages = oggPages(ogg);
    std::string out;
    bool changed = false;
    for (std::string& page : pages) {
        std::size_t setup = page.find("\x05vorbis");
        if (!changed && setup != std::string::npos) {
            BitCursor bits{page, (setup + 7) * 8};
            bits.read(8);                                   // codebook count - 1
            unsigned sync = bits.read(24);                  // "BCV"
            bits.read(16);                                  // dimensions
            unsigned entries = bits.read(24);
            unsigned ordered = bits.read(1);
            unsigned sparse = bits.read(1);
            if (sync != 0x564342 || ordered != 0 || sparse != 0 || entries < 3)
                throw std::runtime_error("an unexpected first codebook");
            for (unsigned i = 0; i < entries; ++i) bits.write(5, 0);  // codeword length 1
            auto* header = reinterpret_cast<unsigned char*>(page.data());
            long headerBytes = 27 + header[26];
            ogg_page fitted{header, headerBytes, header + headerBytes, static_cast<long>(page.size()) - headerBytes};
            ogg_page_checksum_set(&fitted);
            changed = true;
        }
        out += page;
    }
    if (!changed) throw std::runtime_error("no set-up header");
    return out;
}

}  // namespace quadrelume::testing
