#include "clock/ogg_music_decoder.h"

#include <algorithm>
#include <cstring>

#include "platform/fatal.h"

namespace quadrelume {
namespace {

static_assert(std::atomic<std::int64_t>::is_always_lock_free && std::atomic<double>::is_always_lock_free &&
                  std::atomic<const char*>::is_always_lock_free,
              "the audio thread must never wait for the main thread");

// The most bytes, in whole frames, that one ov_read call can be asked for.
constexpr unsigned long maxReadBytes = 0x7FFFFFFCul;

// The furthest a seek may go: exact in a double, and far from overflowing
// the position however long the silence after it lasts.
constexpr double maxSeekFrame = 9007199254740992.0;  // 2^53

MemorySource& sourceOf(void* datasource) { return *static_cast<MemorySource*>(datasource); }

const ov_callbacks memoryCallbacks = {
    [](void* buffer, std::size_t size, std::size_t count, void* source) {
        return sourceOf(source).read(buffer, size, count);
    },
    [](void* source, ogg_int64_t offset, int whence) { return sourceOf(source).seek(offset, whence); },
    [](void* source) { return sourceOf(source).close(); },
    [](void* source) { return sourceOf(source).tell(); },
};

}  // namespace

OggMusicDecoder::OggMusicDecoder(const FileData* file) : source_(file) {
    // A failed open leaves a handle that is not seekable, so one check covers
    // data that is no Ogg Vorbis at all.
    if (ov_open_callbacks(&source_, &vorbis_, nullptr, 0, memoryCallbacks) != 0 || !ov_seekable(&vorbis_))
        refuse("OGG not seekable");
    long links = ov_streams(&vorbis_);
    for (long link = 0; link < links; ++link) {
        const vorbis_info* info = ov_info(&vorbis_, static_cast<int>(link));
        if (link == 0) rate_ = static_cast<int>(info->rate);
        else if (info->rate != rate_) refuse("Different samplerates detected inside file");
        if (info->channels != 2) refuse("Cannot use mono channel vorbis files at this time");
    }
    totalFrames_ = ov_pcm_total(&vorbis_, -1);
    // Some cut-off files open with no audio at all; seeking in them divides
    // by their zero length inside the decoder.
    if (totalFrames_ <= 0 || rate_ <= 0) refuse("OGG not seekable");
    damage_ = damagedStretches(*file);
    // The decoder builds its working state on the heap during its first
    // decodes (some 500 allocations). Have that happen here, on the main
    // thread, rather than in the first audio callbacks.
    char scratch[16384];
    int link = 0;
    for (int i = 0; i < 8; ++i) ov_read(&vorbis_, scratch, sizeof scratch, &link);
    if (ov_pcm_seek(&vorbis_, 0) < 0) refuse("OGG not seekable");
}

OggMusicDecoder::~OggMusicDecoder() { ov_clear(&vorbis_); }

void OggMusicDecoder::refuse(const char* message) {
    // A fatal handler may unwind instead of ending the process, and then no
    // destructor runs for this half-built object: release the decoder's
    // state first. ov_clear is safe on a handle whose opening failed.
    ov_clear(&vorbis_);
    fatal(message);
}

void OggMusicDecoder::requestSeek(double seconds) {
    double frame = seconds * rate_;
    std::int64_t target = 0;  // also for NaN
    if (frame >= maxSeekFrame) target = static_cast<std::int64_t>(maxSeekFrame);
    else if (frame > 0) target = static_cast<std::int64_t>(frame);
    requestedSeconds_ = frame > 0 ? std::min(seconds, maxSeekFrame / rate_) : 0.0;
    pendingSeek_.store(target, std::memory_order_release);
}

bool OggMusicDecoder::seekPending() const { return pendingSeek_.load(std::memory_order_acquire) >= 0; }

void OggMusicDecoder::setStallAllowance(double seconds) { stallAllowance_ = seconds; }

void OggMusicDecoder::setReferenceTime(double streamTime) {
    referenceTime_.store(streamTime, std::memory_order_release);
    fillingUntil_ = streamTime + 1.0;
}

long double OggMusicDecoder::reading(double streamTime) const {
    if (seekPending()) return requestedSeconds_;
    // publish stores the time before the position: a position read here
    // comes with its own time or a later one, so the reading can lag by a
    // buffer but never run ahead.
    std::int64_t position = position_.load(std::memory_order_acquire);
    double reference = referenceTime_.load(std::memory_order_acquire);
    double burst = static_cast<double>(largestBurst_.load(std::memory_order_relaxed)) / rate_;
    double sinceRender = std::clamp(streamTime - reference, 0.0, std::max(stallAllowance_, burst));
    return static_cast<long double>(sinceRender) +
           static_cast<long double>(position) / static_cast<long double>(rate_);
}

const char* OggMusicDecoder::failure() const { return failure_.load(std::memory_order_acquire); }

std::int64_t OggMusicDecoder::damagedFrames() const { return damagedFrames_.load(std::memory_order_relaxed); }

void OggMusicDecoder::fail(const char* message) {
    const char* none = nullptr;
    failure_.compare_exchange_strong(none, message, std::memory_order_acq_rel);
}

void OggMusicDecoder::publish(std::int64_t position, double streamTime) {
    referenceTime_.store(streamTime, std::memory_order_release);
    position_.store(position, std::memory_order_release);
}

void OggMusicDecoder::trackBurst(unsigned long frames, double streamTime) {
    bool sameBurst = streamTime - lastRenderTime_ < 0.5 * static_cast<double>(frames) / rate_;
    burstFrames_ = (sameBurst ? burstFrames_ : 0) + static_cast<std::int64_t>(frames);
    lastRenderTime_ = streamTime;
    if (streamTime < fillingUntil_ && burstFrames_ > largestBurst_.load(std::memory_order_relaxed))
        largestBurst_.store(burstFrames_, std::memory_order_relaxed);
}

bool OggMusicDecoder::nearDamage(std::int64_t offset) const {
    for (const DamagedStretch& stretch : damage_)
        if (offset > stretch.from && offset <= stretch.to) return true;
    return false;
}

void OggMusicDecoder::owe(std::int64_t next, std::int64_t position) {
    const std::int64_t missing = std::min(next, totalFrames_) - position;
    if (missing <= 0) return;
    silenceOwed_ = missing;
    damagedFrames_.fetch_add(missing, std::memory_order_relaxed);
}

std::int64_t OggMusicDecoder::fill(char* out, unsigned long frames, std::int64_t position) {
    unsigned long done = 0;
    int holes = 0;
    // Only this thread records failures, so a relaxed look suffices here.
    while (done < frames && position < totalFrames_ && failure_.load(std::memory_order_relaxed) == nullptr) {
        if (silenceOwed_ > 0) {
            const auto count = static_cast<unsigned long>(std::min<std::int64_t>(silenceOwed_, frames - done));
            std::memset(out + done * bytesPerFrame, 0, count * bytesPerFrame);
            done += count;
            position += static_cast<std::int64_t>(count);
            silenceOwed_ -= static_cast<std::int64_t>(count);
            continue;
        }
        unsigned long room = (frames - done) * bytesPerFrame;
        int length = room < maxReadBytes ? static_cast<int>(room) : static_cast<int>(maxReadBytes);
        int link = 0;
        long got = ov_read(&vorbis_, out + done * bytesPerFrame, length, &link);
        if (got > 0) {
            holes = 0;
            const auto count = static_cast<std::int64_t>(static_cast<unsigned long>(got) / bytesPerFrame);
            // Where the file's granule positions put the next sample: the
            // decoder counts on from them, and sets the count anew at the end
            // of every page.
            const std::int64_t next = ov_pcm_tell(&vorbis_);
            if (lostUntilPage_ >= 0) {
                // After lost data the count goes on as if nothing were lost,
                // until the end of the page that follows the loss sets it
                // right: by the time another page is read, it is.
                if (ov_raw_tell(&vorbis_) == lostUntilPage_) continue;
                lostUntilPage_ = -1;
                owe(next, position);
                continue;
            }
            if (next != position + count) {
                owe(next, position);  // samples the file places elsewhere: their place stays silent
                continue;
            }
            position += count;
            done += static_cast<unsigned long>(count);
        } else if (got == OV_EBADLINK) {
            fail("Error in ogg file");
        } else if (got == 0 || ++holes >= holeLimit) {
            position = totalFrames_;
        } else if (lostUntilPage_ < 0) {
            lostUntilPage_ = ov_raw_tell(&vorbis_);  // a hole: pages went missing
        }
    }
    // Silence after the end (or after a failure) counts as played: while the
    // stream takes it, the clock runs on at the stream's pace.
    std::memset(out + done * bytesPerFrame, 0, (frames - done) * bytesPerFrame);
    return position + static_cast<std::int64_t>(frames - done);
}

void OggMusicDecoder::render(void* output, unsigned long frames, double streamTime) {
    std::int64_t seekTarget = pendingSeek_.load(std::memory_order_acquire);
    std::int64_t position = position_.load(std::memory_order_relaxed);  // only this thread writes it
    if (seekTarget >= 0) {
        // A target at or past the end needs no decoder call: the data counts
        // as ended from there on.
        silenceOwed_ = 0;
        lostUntilPage_ = -1;
        if (seekTarget < totalFrames_ && failure_.load(std::memory_order_relaxed) == nullptr) {
            if (ov_pcm_seek(&vorbis_, seekTarget) < 0) fail("Error seeking in ogg file");
            // A seek into damaged data can land anywhere near it, and take
            // what it finds for the target: where it really is, the next
            // page tells.
            else if (ov_pcm_tell(&vorbis_) != seekTarget || nearDamage(ov_raw_tell(&vorbis_)))
                lostUntilPage_ = ov_raw_tell(&vorbis_);
        }
        position = seekTarget;
    }
    position = fill(static_cast<char*>(output), frames, position);
    trackBurst(frames, streamTime);
    publish(position, streamTime);
    // Only now may the reading leave the seek's target: the position it then
    // finds is the target's. A seek requested meanwhile stays pending for
    // the next render.
    if (seekTarget >= 0) pendingSeek_.compare_exchange_strong(seekTarget, -1, std::memory_order_acq_rel);
}

}  // namespace quadrelume
