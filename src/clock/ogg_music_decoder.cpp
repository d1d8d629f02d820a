#include "clock/ogg_music_decoder.h"

#include <cstring>

#include "platform/fatal.h"

namespace quadrelume {
namespace {

static_assert(std::atomic<std::int64_t>::is_always_lock_free && std::atomic<double>::is_always_lock_free,
              "the audio thread must never wait for the main thread");

// The most bytes, in whole frames, that one ov_read call can be asked for.
constexpr unsigned long maxReadBytes = 0x7FFFFFFCul;

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
    if (frame >= static_cast<double>(totalFrames_)) target = totalFrames_;
    else if (frame > 0) target = static_cast<std::int64_t>(frame);
    pendingSeek_.store(target, std::memory_order_release);
}

bool OggMusicDecoder::seekPending() const { return pendingSeek_.load(std::memory_order_acquire) >= 0; }

void OggMusicDecoder::setReferenceTime(double streamTime) {
    referenceTime_.store(streamTime, std::memory_order_release);
}

long double OggMusicDecoder::reading(double streamTime) const {
    // publish stores the time before the count: a count read here comes with
    // its own time or a later one, so the reading can lag by a buffer but
    // never run ahead.
    std::int64_t decoded = decodedFrames_.load(std::memory_order_acquire);
    double reference = referenceTime_.load(std::memory_order_acquire);
    return static_cast<long double>(streamTime - reference) +
           static_cast<long double>(decoded) / static_cast<long double>(rate_);
}

void OggMusicDecoder::publish(std::int64_t decoded, double streamTime) {
    referenceTime_.store(streamTime, std::memory_order_release);
    decodedFrames_.store(decoded, std::memory_order_release);
}

void OggMusicDecoder::applyPendingSeek(double streamTime) {
    std::int64_t target = pendingSeek_.load(std::memory_order_acquire);
    if (target < 0) return;
    // The end needs no decoder call: the data counts as ended from there on.
    if (target < totalFrames_ && ov_pcm_seek(&vorbis_, target) < 0) fatal("Error seeking in ogg file");
    // The position restarts from the target now; keeping the time of the
    // last decode would add the time since then to a seek to the end, where
    // no decode follows.
    publish(target, streamTime);
    // A seek requested while this one ran stays pending for the next render.
    pendingSeek_.compare_exchange_strong(target, -1, std::memory_order_acq_rel);
}

void OggMusicDecoder::render(void* output, unsigned long frames, double streamTime) {
    applyPendingSeek(streamTime);
    char* out = static_cast<char*>(output);
    std::int64_t decoded = decodedFrames_.load(std::memory_order_relaxed);  // only this thread writes it
    unsigned long done = 0;
    int holes = 0;
    while (done < frames) {
        if (decoded >= totalFrames_) {
            std::memset(out + done * bytesPerFrame, 0, (frames - done) * bytesPerFrame);
            return;
        }
        unsigned long room = (frames - done) * bytesPerFrame;
        int length = room < maxReadBytes ? static_cast<int>(room) : static_cast<int>(maxReadBytes);
        int link = 0;
        long got = ov_read(&vorbis_, out + done * bytesPerFrame, length, &link);
        if (got > 0) {
            unsigned long count = static_cast<unsigned long>(got) / bytesPerFrame;
            decoded += static_cast<std::int64_t>(count);
            done += count;
            holes = 0;
            publish(decoded, streamTime);
        } else if (got == OV_EBADLINK) {
            fatal("Error in ogg file");
        } else if (got == 0 || ++holes >= holeLimit) {
            decoded = totalFrames_;
            publish(decoded, streamTime);
        }
    }
}

}  // namespace quadrelume
