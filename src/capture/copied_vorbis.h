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
// private data. Packets cannot be cut, but Matroska tells a decoder what to
// drop of them; so a capture from `from` holds the music's samples from
// exactly `from` on, and captures of sections one after another join into
// exactly the samples of one capture of them all, even when the joining
// keeps only what is dropped at the ends of packets (as FFmpeg's concat
// demuxer with -c copy does):
//
// - The track starts with the packet before the one that holds the sample
//   at `from`: the primer, which a decoder needs for the overlap and which
//   decodes to nothing. It is marked to drop, from its end, all it decodes
//   to after a packet of its own size: in a join it follows the end of the
//   section before, which is that packet itself (see below), and sounds
//   nothing there either.
// - The packet that holds the sample at `from` follows, marked to drop what
//   comes before that sample from its start (a negative DiscardPadding),
//   and the track declares as much codec delay (CodecDelay): its blocks are
//   stored that much later, and readers take it back, so that the sample at
//   `from` plays at 0. FFmpeg's muxer writes neither for Vorbis, so the file
//   is mended once written: see finishFile. A join drops both, and needs
//   neither: the section before ends where that packet starts.
// - The track ends with the last packet that ends at or before the end of
//   the frames, less than a packet (at most 23 ms at 44.1 kHz) short of it;
//   the next section starts with the rest.
// - Each packet is stamped with the time of its first decoded sample minus
//   `from`; the primer with that of the packet after it.
// - Music that ends before the frames ends the track early.
class CopiedVorbis : public AudioTrack {
public:
    // `music` is not owned and must outlive the track; `schedule` gives
    // `from` and the rate, and where each frame's music starts, in exact
    // arithmetic (FrameSchedule::sampleAt), so that a section ends on the
    // sample where the next one starts. Throws std::runtime_error for a
    // chained file, a damaged one or one without Vorbis (see
    // VorbisPacketReader).
    CopiedVorbis(const FileData& music, const FrameSchedule& schedule);

    void addStream(AVFormatContext* container) override;
    void writeThrough(std::int64_t frames) override;
    void finish(std::int64_t frames) override;
    // Writes the mark of what the first packet drops from its start over a
    // placeholder of the same size that the muxer wrote in its place.
    void finishFile(const std::string& path) override;

private:
    // A packet read from the music.
    struct Copy {
        std::string bytes;
        std::int64_t start = 0;  // the music's sample
        std::int64_t samples = 0;
    };

    // Writes `copy`, preceded by the primer when it is the first; the last
    // packet of the track (`last`) lasts at most up to `end`.
    void write(const Copy& copy, bool last, std::int64_t end);
    // Reads the next packet into `held_`; false at the end of the music.
    bool holdNext();

    VorbisPacketReader reader_;
    FrameSchedule schedule_;
    std::int64_t first_;  // the music's sample at `from`
    AVFormatContext* container_ = nullptr;
    AVStream* stream_ = nullptr;

    std::string primer_;  // the packet before the first one that sounds
    long primerBlock_ = 0;
    bool primed_ = false;  // the primer is written

    // Samples the first packet drops from its start: also the codec delay.
    std::int64_t startTrim_ = 0;

    // The packet read but not yet known to end within the frames, and the
    // one that does, kept back until the next one does too or the track
    // ends, so that the last one can end with the frames.
    Copy held_;
    bool holding_ = false;
    Copy pending_;
    bool hasPending_ = false;
};

}  // namespace quadrelume::capture
