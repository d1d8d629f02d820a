// The music decoded as the player decodes it and encoded anew.
#pragma once

extern "C" {
#include <libavutil/audio_fifo.h>
}

#include <cstdint>
#include <limits>
#include <vector>

#include "capture/audio_track.h"
#include "capture/ffmpeg_support.h"
#include "capture/frame_schedule.h"
#include "capture/output_target.h"
#include "clock/ogg_music_decoder.h"

namespace quadrelume::capture {

// Decodes the music with the player's decoder, converts it to the encoder's
// sample format (and rate, when the encoder does not take the music's own:
// Opus runs at 48 kHz) and encodes it. Past the end of the music it goes on
// with silence, as the player's clock does, so the track lasts as long as
// the frames.
//
// Where the format asks for it (AAC) and the encoder takes the music's own
// rate, the encoded frames lie on one grid from demo time 0, so that
// captures of sections one after another join, copied, into one track that
// decodes as one capture of them all does. A decoder makes each frame's
// samples from that frame's packet and the one before (their transforms
// overlap); at a join the packet before is the other section's, made from
// the same music over the same samples.
//
// - A capture keeps the packets whose samples start at or after the first
//   grid point at or after its start, and before the first grid point at or
//   after its end, where the next section starts. Its last packet is made
//   from the music past its end, as in one capture of both, and lasts only
//   to the end of the frames, where the container ends the track.
// - Its encoder starts some way before its first packet, with the music
//   there, so that it chooses and rounds at a join much as one encoder
//   running through does; what it makes before that packet is dropped.
// - A capture from 0 keeps the encoder's start, its delay marked for
//   dropping, and sounds exactly from its first sample. A capture from later
//   starts its track at that grid point, less than a frame (23 ms at 44.1
//   kHz) after its first picture, and its first packet has no packet
//   before: played alone, its first frame of sound fades in rather than
//   sounding as the music does. Joined after the section before, it is the
//   music.
//
// Otherwise the encoder starts at `from` and ends with the frames.
class EncodedMusic : public AudioTrack {
public:
    // `decoder` (not owned) is used only by this track, which seeks it as it
    // needs, on the thread that writes the frames. `format` names the
    // encoder and its bit rate. The frames start at demo time `from`.
    EncodedMusic(OggMusicDecoder& decoder, const VideoFormat& format, double from, FrameRate rate);
    ~EncodedMusic() override;

    void addStream(AVFormatContext* container) override;
    void writeThrough(std::int64_t frames) override;
    void finish(std::int64_t frames) override;

private:
    static constexpr std::int64_t unbounded = std::numeric_limits<std::int64_t>::max();

    // Decodes and converts until the queue holds at least `samples` samples.
    void fill(int samples);
    // Encodes the next `samples` queued samples (at most a frame's worth).
    void encode(int samples);
    // Sends `frame` (null to drain) to the encoder and writes the packets it
    // gives that the track keeps.
    void send(const AVFrame* frame);
    // The first grid point at or after encoder position `position`, or
    // within half a sample before it, so that the end of one section and
    // the start of the next, each rounded its own way, find the same point.
    std::int64_t gridPointFrom(double position) const;
    // The encoder position, unrounded, that plays at the end of `frames`
    // frames.
    double endOf(std::int64_t frames) const;

    OggMusicDecoder& decoder_;
    const VideoFormat& format_;
    double from_;
    FrameRate rate_;
    AVFormatContext* container_ = nullptr;
    AVStream* stream_ = nullptr;
    CodecContextPtr encoder_;
    ResamplePtr resampler_;
    AVAudioFifo* queue_ = nullptr;
    FramePtr frame_;
    int frameSamples_ = 0;  // samples per encoded frame
    bool onGrid_ = false;
    // Encoder positions count samples at the encoder's rate: from the
    // music's start on the grid, from `from` otherwise.
    std::int64_t origin_ = 0;           // the position that plays at time 0
    std::int64_t encoded_ = 0;          // the position of the next sample for the encoder
    std::int64_t keepFrom_ = 0;         // packets that start before are dropped...
    std::int64_t keepBefore_ = unbounded;  // ...and those that start here or after
    std::int64_t trackEnd_ = unbounded;    // where the last packet kept ends
    std::int64_t stampShift_ = 0;  // added to the packets' times, see addStream
    std::vector<std::int16_t> decoded_;  // one block of decoder output
    std::uint8_t** converted_ = nullptr;  // one block of converter output, per channel plane
    int convertedCapacity_ = 0;
};

}  // namespace quadrelume::capture
