// libFuzzer target over the music file path without an audio device: any
// bytes opened as demo.ogg through the memory callbacks, then decoded buffer
// by buffer as the audio callback would, with a seek into the middle and one
// to the end. Refused files unwind through a throwing fatal handler, so each
// must end in a message; the sanitizers see any read past the file's bytes
// and any fault.
//
// Tremor itself leaks 4 bytes on some failed opens, inside ov_open_callbacks
// where no caller can free them, and LeakSanitizer cannot tell its frames
// apart without symbols. So its leaks are suppressed, and this target checks
// instead that nothing stays allocated after a decoder's life beyond those
// few bytes: a decoder state left behind is tens of kilobytes.
#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdint>
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
// touches every sample so that the sanitizers check all of them.
double renderBuffers(quadrelume::OggMusicDecoder& decoder, int count, double time) {
    std::vector<std::int16_t> buffer(framesPerBuffer * 2);
    for (int i = 0; i < count; ++i, time += 0.01) {
        decoder.render(buffer.data(), framesPerBuffer, time);
        int sum = 0;
        for (std::int16_t sample : buffer) sum += sample;
        volatile int sink = sum;
        (void)sink;
    }
    return time;
}

// The most bytes that Tremor's own leak on a failed open leaves behind.
constexpr std::size_t tremorLeakBytes = 64;

void openAndPlay(const std::uint8_t* data, std::size_t size) {
    const quadrelume::FileData file(std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        quadrelume::OggMusicDecoder decoder(&file);
        if (decoder.rate() < 1 || decoder.totalFrames() < 1) __builtin_trap();
        double time = renderBuffers(decoder, 4, 0.0);
        // A seek to a point picked by the input's last byte, as a restart or
        // a timeline jump would ask for, then to the end.
        const double seconds = static_cast<double>(decoder.totalFrames()) / decoder.rate();
        const int pick = size > 0 ? data[size - 1] : 0;
        decoder.requestSeek(seconds * pick / 255.0);
        time = renderBuffers(decoder, 3, time);
        if (decoder.seekPending()) __builtin_trap();
        decoder.requestSeek(seconds);
        renderBuffers(decoder, 1, time);
    } catch (const FatalError& error) {
        if (error.message.empty()) __builtin_trap();
    }
}

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return "leak:libvorbisidec.so\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quadrelume::setFatalHandler(throwFatal);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t before = __sanitizer_get_current_allocated_bytes();
    openAndPlay(data, size);
    if (__sanitizer_get_current_allocated_bytes() > before + tremorLeakBytes) __builtin_trap();
    return 0;
}
