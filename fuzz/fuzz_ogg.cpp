// libFuzzer target over the music file path without an audio device: any
// bytes opened as demo.ogg through the memory callbacks, then decoded buffer
// by buffer as the audio callback would, with a seek into the middle and one
// to the end. Refused files unwind through a throwing fatal handler, so each
// must end in a message; a failure met while decoding must leave silence
// behind; the sanitizers see any read past the file's bytes and any fault.
//
// Most mutations break a page checksum, and libogg drops such a page before
// the decoder sees it, so each input is played as it is and once more with
// every page's checksum made to fit.
//
// Tremor itself leaks on some failed opens (from 4 bytes to a whole link's
// set-up), inside ov_open_callbacks where no caller can free it, and
// LeakSanitizer cannot tell its frames apart without symbols. So its leaks
// are suppressed, and this target checks instead that nothing stays
// allocated after a decoder's life beyond what Tremor leaks when it opens
// the same bytes on its own: a decoder state left behind is tens of
// kilobytes.
#include <ogg/ogg.h>
#include <sanitizer/allocator_interface.h>
#include <tremor/ivorbisfile.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "clock/ogg_music_decoder.h"
#include "platform/fatal.h"
#include "reload/file_data.h"

namespace {

struct FatalError {
    std::string message;
};

[[noreturn]] void throwFatal(const std::string& message) { throw FatalError{message}; }

// One 10 ms buffer at 44.1 kHz, the size the stream asks for.
constexpr unsigned long framesPerBuffer = 441;

// Renders `count` buffers from stream time `time` on, 10 ms apart, and
// touches every sample so that the sanitizers check all of them. Once render
// has met a failure, every buffer after it must be silence.
double renderBuffers(quadrelume::OggMusicDecoder& decoder, int count, double time) {
    std::vector<std::int16_t> buffer(framesPerBuffer * 2);
    for (int i = 0; i < count; ++i, time += 0.01) {
        const bool failedBefore = decoder.failure() != nullptr;
        decoder.render(buffer.data(), framesPerBuffer, time);
        int sum = 0;
        bool silent = true;
        for (std::int16_t sample : buffer) {
            sum += sample;
            silent = silent && sample == 0;
        }
        if (failedBefore && !silent) __builtin_trap();
        volatile int sink = sum;
        (void)sink;
    }
    return time;
}

// `bytes` with the checksum of every complete Ogg page rewritten to fit its
// header and body. Pages are found by their capture pattern, so a damaged
// stretch between them is stepped over.
std::string withFittingCrcs(std::string bytes) {
    constexpr std::size_t headerBytes = 27;  // up to and including the segment count
    std::size_t at = bytes.find("OggS");
    while (at != std::string::npos && at + headerBytes <= bytes.size()) {
        auto* header = reinterpret_cast<unsigned char*>(&bytes[at]);
        const std::size_t segments = header[headerBytes - 1];
        if (at + headerBytes + segments > bytes.size()) break;
        std::size_t bodyBytes = 0;
        for (std::size_t i = 0; i < segments; ++i) bodyBytes += header[headerBytes + i];
        const std::size_t pageBytes = headerBytes + segments + bodyBytes;
        if (at + pageBytes > bytes.size()) break;
        ogg_page page{header, static_cast<long>(headerBytes + segments), header + headerBytes + segments,
                      static_cast<long>(bodyBytes)};
        ogg_page_checksum_set(&page);
        at = bytes.find("OggS", at + pageBytes);
    }
    return bytes;
}

// Bytes that Tremor leaves allocated when it fails to open `bytes` on its
// own, through stdio; 0 when it opens them.
std::size_t tremorOpenLeak(std::string bytes) {
    std::FILE* stream = fmemopen(bytes.data(), bytes.size(), "rb");
    if (stream == nullptr) return 0;  // empty data: nothing to open
    OggVorbis_File vorbis{};
    const std::size_t before = __sanitizer_get_current_allocated_bytes();
    if (ov_open(stream, &vorbis, nullptr, 0) == 0) {
        ov_clear(&vorbis);  // closes the stream too
        return 0;
    }
    const std::size_t after = __sanitizer_get_current_allocated_bytes();
    std::fclose(stream);
    return after > before ? after - before : 0;
}

void openAndPlay(const std::string& bytes) {
    const quadrelume::FileData file(bytes);
    try {
        quadrelume::OggMusicDecoder decoder(&file);
        if (decoder.rate() < 1 || decoder.totalFrames() < 1) __builtin_trap();
        double time = renderBuffers(decoder, 4, 0.0);
        // A seek to a point picked by the input's last byte, as a restart or
        // a timeline jump would ask for, then to the end.
        const double seconds = static_cast<double>(decoder.totalFrames()) / decoder.rate();
        const int pick = bytes.empty() ? 0 : static_cast<unsigned char>(bytes.back());
        decoder.requestSeek(seconds * pick / 255.0);
        time = renderBuffers(decoder, 3, time);
        if (decoder.seekPending()) __builtin_trap();
        decoder.requestSeek(seconds);
        renderBuffers(decoder, 1, time);
    } catch (const FatalError& error) {
        if (error.message.empty()) __builtin_trap();
    }
}

void openAndPlayLeakingNothing(const std::string& bytes) {
    const std::size_t allowed = tremorOpenLeak(bytes);
    const std::size_t before = __sanitizer_get_current_allocated_bytes();
    openAndPlay(bytes);
    if (__sanitizer_get_current_allocated_bytes() > before + allowed) __builtin_trap();
}

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return "leak:libvorbisidec.so\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quadrelume::setFatalHandler(throwFatal);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    openAndPlayLeakingNothing(bytes);
    const std::string fitted = withFittingCrcs(bytes);
    if (fitted != bytes) openAndPlayLeakingNothing(fitted);
    return 0;
}
