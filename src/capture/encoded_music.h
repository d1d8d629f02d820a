// The music decoded as the player decodes it and encoded anew.
#pragma once

extern "C" {
#include <libavutil/audio_fifo.h>
}

#include <cstdint>
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
// with silence, as the player's clock does, so the track lasts exactly as
// long as the frames (give or take the resampler's fraction of a sample).
class EncodedMusic : public AudioTrack {
public:
    // `decoder` (not owned) must already have been asked to seek to the
    // capture's start; from then on only this track uses it, on the thread
    // that writes the frames. `format` names the encoder and its bit rate.
    EncodedMusic(OggMusicDecoder& decoder, const VideoFormat& format, FrameRate rate);
    ~EncodedMusic() override;

    void addStream(AVFormatContext* container) override;
    void writeThrough(std::int64_t frames) override;
    void finish(std::int64_t frames) override;

private:
    // Decodes and converts until the queue holds at least `samples` samples.
    void fill(int samples);
    // Encodes the next `samples` queued samples (at most a frame's worth).
    void encode(int samples);

    OggMusicDecoder& decoder_;
    const VideoFormat& format_;
    FrameRate rate_;
    AVFormatContext* container_ = nullptr;
    AVStream* stream_ = nullptr;
    CodecContextPtr encoder_;
    ResamplePtr resampler_;
    AVAudioFifo* queue_ = nullptr;
    FramePtr frame_;
    int frameSamples_ = 0;            // samples per encoded frame
    std::int64_t encoded_ = 0;        // samples given to the encoder so far
    std::int64_t stampShift_ = 0;     // added to the packets' times, see addStream
    std::vector<std::int16_t> decoded_;  // one block of decoder output
    std::uint8_t** converted_ = nullptr;  // one block of converter output, per channel plane
    int convertedCapacity_ = 0;
};

}  // namespace quadrelume::capture
