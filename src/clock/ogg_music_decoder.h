// Decodes the demo's music from memory into an audio callback's buffer and
// keeps the playback position that the music clock reads from another thread.
#pragma once

#include <tremor/ivorbisfile.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "clock/memory_source.h"
#include "clock/ogg_damage.h"
#include "reload/file_data.h"

namespace quadrelume {

// A stereo Ogg Vorbis file of one sample rate throughout, decoded with Tremor
// straight into caller-provided buffers of interleaved 16-bit frames.
//
// Threads: construction, requestSeek, setStallAllowance, setReferenceTime
// and reading belong to one thread (the main thread); render belongs to
// another (the audio thread) and is the only one touching the decoder
// afterwards. The two share five atomics: the pending seek target, the
// position, the stream time of the last render, the largest burst of renders
// and the failure message.
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
    // last request before a render counts. A time before the start (or NaN)
    // means the start. A time at or past the end is silence, and the position
    // counts on from that time as if the music went on silently (a timeline
    // may outlast its music); a target past frame 2^53 is cut there.
    void requestSeek(double seconds);
    // Whether a requested seek has not been carried out by render yet. Once
    // this reads false after a request, reading sees the new position.
    bool seekPending() const;

    // How far the reading may run on past the end of the last rendered
    // buffer while no render comes: what a stalled device can still play
    // from the buffers it holds, as far as the device tells (0 until set).
    // Some devices hold more than they tell and call back in bursts spaced
    // wider than that; so the allowance grows to the most frames rendered in
    // one burst (renders less than half a buffer apart) in the first second
    // after a start, while the device fills up: a device that took that much
    // at once holds at least that much. (Later bursts may be a device making
    // up for a stall, and teach nothing.)
    void setStallAllowance(double seconds);

    // Tells that the stream starts at `streamTime`: before the first render,
    // and again when the stream starts after a stop, so that the time it
    // stood still does not count. Only while no render can run. Until called,
    // the stream counts as started at 0.
    void setReferenceTime(double streamTime);

    // The playback position at stream time `streamTime`, in seconds. While a
    // requested seek is pending, its time (as requestSeek clamps it): a seek
    // shows at once, and the old position never again. Otherwise the
    // position past the last rendered buffer (silence after the end counted
    // as played) plus the stream time since that render, the latter kept
    // within [0, stall allowance]. Never sees a newer position with an older
    // render time.
    long double reading(double streamTime) const;

    // The message of the failure that stopped the decoding: "Error seeking
    // in ogg file" when a seek failed, "Error in ogg file" when the data
    // holds a link whose decoding cannot be set up; null while there is none.
    // Any thread. The text is static.
    const char* failure() const;

    // How many frames of silence render has put in place of damaged data so
    // far. Any thread.
    std::int64_t damagedFrames() const;

    // Fills `output` with `frames` frames: carries out a pending seek, then
    // decodes into the buffer in place; once the data has ended, the rest is
    // silence. Every sample plays at its own place in the music, as the
    // file's granule positions tell it: where pages are missing or
    // unreadable, silence stands in for what they held, and for what was
    // decoded after them before a page told where it belongs (less than a
    // page), so the music, and the clock with it, keeps its time. `streamTime` is the stream's time at this call. Never ends the
    // process, as it runs on the audio thread: a failure (see failure()) is
    // recorded, the decoder library is not called again, and every frame
    // from there on is silence. Allocates nothing, nor does the decoder
    // library, except when it crosses into the next link of a chained file
    // and sets up that link's decoding.
    void render(void* output, unsigned long frames, double streamTime);

private:
    // Releases the decoder's state, then reports `message` as fatal: the
    // constructor's way out.
    [[noreturn]] void refuse(const char* message);
    // Records the first failure; render's only way out of decoding.
    void fail(const char* message);
    // Decodes into `out` up to `frames` frames from `position`, then silence;
    // returns the position after them.
    std::int64_t fill(char* out, unsigned long frames, std::int64_t position);
    // Owes silence from `position` up to `next` (or the end), where samples
    // could not be placed.
    void owe(std::int64_t next, std::int64_t position);
    // Whether the decoder reading up to byte `offset` is inside a damaged
    // stretch, where its count of samples cannot be trusted.
    bool nearDamage(std::int64_t offset) const;
    void publish(std::int64_t position, double streamTime);
    // Counts `frames` rendered at `streamTime` into the current burst.
    void trackBurst(unsigned long frames, double streamTime);

    MemorySource source_;
    OggVorbis_File vorbis_{};
    int rate_ = 0;
    std::int64_t totalFrames_ = 0;
    std::vector<DamagedStretch> damage_;  // set by the constructor

    // Main thread only: the time of the last requested seek, and the stall
    // allowance the device tells.
    double requestedSeconds_ = 0.0;
    double stallAllowance_ = 0.0;

    // Audio thread only: the time of the last render, and the frames
    // rendered in the burst it belongs to.
    double lastRenderTime_ = -1e300;
    std::int64_t burstFrames_ = 0;
    // Until when bursts count towards the allowance: set with the reference
    // time, while no render runs.
    double fillingUntil_ = 1.0;
    // Frames of silence still to play in place of damaged data.
    std::int64_t silenceOwed_ = 0;
    // After a hole in the data, the byte position of the page read then;
    // what decodes before the next page has no known place. -1: none.
    std::int64_t lostUntilPage_ = -1;

    // -1 for none, else the frame to continue from (at least 0).
    std::atomic<std::int64_t> pendingSeek_{-1};
    // Frames played from the start of the music: the decoder's position while
    // there is data, counting on through the silence after it.
    std::atomic<std::int64_t> position_{0};
    std::atomic<double> referenceTime_{0.0};
    std::atomic<const char*> failure_{nullptr};
    // The most frames rendered in one burst while the device filled up.
    std::atomic<std::int64_t> largestBurst_{0};
    std::atomic<std::int64_t> damagedFrames_{0};
};

}  // namespace quadrelume
