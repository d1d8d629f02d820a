// Decodes the demo's music from memory into an audio callback's buffer and
// keeps the playback position that the music clock reads from another thread.
#pragma once

#include <tremor/ivorbisfile.h>

#include <atomic>
#include <cstdint>

#include "clock/memory_source.h"
#include "reload/file_data.h"

namespace quadrelume {

// A stereo Ogg Vorbis file of one sample rate throughout, decoded with Tremor
// straight into caller-provided buffers of interleaved 16-bit frames.
//
// Threads: construction, requestSeek, seekPending and reading belong to one
// thread (the main thread); render belongs to another (the audio thread) and
// is the only one touching the decoder afterwards. The two share three 64-bit
// atomics: the pending seek target, the decoded-frame count and the stream
// time of the last decode.
class OggMusicDecoder {
public:
    // Frames of 2 channels x 16 bits.
    static constexpr int bytesPerFrame = 4;
    // render gives up on data that yields this many holes in a row and treats
    // it as ended, so a damaged stretch cannot keep the audio thread busy.
    static constexpr int holeLimit = 64;

    // Opens `file` (not owned; it must stay unchanged while this lives) and
    // checks that it can be played. Fatal, with the message shown, when it
    // cannot be opened, is not seekable or holds no audio ("OGG not
    // seekable"), when a later link's rate differs from the first link's
    // ("Different samplerates detected inside file") or when a link has other
    // than 2 channels ("Cannot use mono channel vorbis files at this time");
    // links are checked in order, rate before channels.
    explicit OggMusicDecoder(const FileData* file);
    ~OggMusicDecoder();
    OggMusicDecoder(const OggMusicDecoder&) = delete;
    OggMusicDecoder& operator=(const OggMusicDecoder&) = delete;

    // Sample rate of the first link, Hz (at least 1).
    int rate() const { return rate_; }
    // Length of the whole file in frames, over all links (at least 1).
    std::int64_t totalFrames() const { return totalFrames_; }

    // Asks the next render to continue from `seconds` into the music. Only the
    // last request before a render counts. A time before the start means the
    // start; a time at or past the end means the end (silence).
    void requestSeek(double seconds);
    // Whether a requested seek has not been carried out by render yet. Once
    // this reads false after a request, reading sees the new position.
    bool seekPending() const;

    // Sets the stream time of the last decode, for the reading before the
    // first render.
    void setReferenceTime(double streamTime);

    // The playback position at stream time `streamTime`, in seconds: the
    // position past the last decoded buffer plus the stream time since it was
    // decoded. Never sees a newer position with an older decode time.
    long double reading(double streamTime) const;

    // Fills `output` with `frames` frames: carries out a pending seek, then
    // decodes into the buffer in place; once the data has ended, the rest is
    // silence. `streamTime` is the stream's time at this call. Fatal when a
    // seek fails ("Error seeking in ogg file") or the data holds a link that
    // was not there at opening ("Error in ogg file"). Allocates nothing, nor
    // does the decoder library, except when it crosses into the next link of
    // a chained file and sets up that link's decoding.
    void render(void* output, unsigned long frames, double streamTime);

private:
    // Releases the decoder's state, then reports `message` as fatal: the
    // constructor's way out.
    [[noreturn]] void refuse(const char* message);
    void applyPendingSeek(double streamTime);
    void publish(std::int64_t decoded, double streamTime);

    MemorySource source_;
    OggVorbis_File vorbis_{};
    int rate_ = 0;
    std::int64_t totalFrames_ = 0;

    // -1 for none, else a frame in [0, totalFrames_].
    std::atomic<std::int64_t> pendingSeek_{-1};
    std::atomic<std::int64_t> decodedFrames_{0};
    std::atomic<double> referenceTime_{0.0};
};

}  // namespace quadrelume
