// The music's own Vorbis packets, copied unchanged into the video file.
#pragma once

#include <string>

#include "capture/audio_track.h"
#include "capture/frame_schedule.h"
#include "capture/vorbis_packets.h"
#include "reload/file_data.h"

namespace quadrelume::capture {

// Copies the Vorbis packets of the music that sound between the capture's
// start and its end, unchanged, with the file's own header packets as codec
// private data. Packets cannot be cut, so:
//
// - The track starts with the first packet whose decoded samples begin at or
//   after `from` (with `from` at 0 that is the music's own start), preceded
//   by the packet before it, which a decoder needs to prime its overlap and
//   which decodes to nothing. When `from` falls inside a packet, the track
//   stays silent for the rest of that packet, less than one block (at most
//   a quarter plus a quarter of the largest block: 1024 samples, 23 ms at
//   44.1 kHz, for the usual block sizes).
// - Each packet is stamped with the time of its first decoded sample minus
//   `from`, so every sample that sounds plays at its own time.
// - The last packet is the one that reaches the end of the frames; what it
//   decodes past that end is marked as padding to discard (Matroska's
//   DiscardPadding), so the audio ends with the frames.
// - Music that ends before the frames ends the track early.
class CopiedVorbis : public AudioTrack {
public:
    // `music` is not owned and must outlive the track. Throws
    // std::runtime_error for a chained file or one without Vorbis (see
    // VorbisPacketReader).
    CopiedVorbis(const FileData& music, double from, FrameRate rate);

    void addStream(AVFormatContext* container) override;
    void writeThrough(std::int64_t frames) override;
    void finish(std::int64_t frames) override;

private:
    // Writes the held packet, with `discard` samples at its end to drop.
    void writeHeld(std::int64_t discard);
    // Holds the next packet from the reader; false at the end of the music.
    bool holdNext();

    VorbisPacketReader reader_;
    FrameRate rate_;
    std::int64_t first_;  // the music's sample at `from`
    AVFormatContext* container_ = nullptr;
    AVStream* stream_ = nullptr;

    std::string primer_;  // the packet before the first one that sounds

    // The packet read but not yet written: it is written once the frames
    // have passed all of it, or at finish, when the padding to discard is
    // known.
    std::string held_;
    std::int64_t heldStart_ = 0;    // relative to first_
    std::int64_t heldSamples_ = 0;
    bool holding_ = false;
    bool primed_ = false;  // the primer is written
};

}  // namespace quadrelume::capture
