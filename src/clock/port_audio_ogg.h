// The demo's music, played through PortAudio, as the demo clock.
#pragma once

#include <portaudio.h>

#include "clock/ogg_music_decoder.h"
#include "clock/time_source.h"
#include "reload/file_data.h"

// Plays a stereo Ogg Vorbis file held in memory on the default output device
// and reads the playback position as the clock: the position just past the
// last decoded buffer plus the stream time since that buffer was decoded.
// Decoding runs in PortAudio's stream callback; a seek is handed over to it
// and takes effect in the next callback.
//
// One per process. The main thread calls every member; the stream callback
// touches only the decoder.
class PortAudioOgg : public quadrelume::TimeSource {
public:
    // Starts playing `file` (not owned; it must outlive the player and never
    // be reloaded) and returns the player. Fatal when a player was created
    // before in this process ("Ogg player already exists"), when the file
    // cannot be played (see OggMusicDecoder) or when PortAudio fails at "init",
    // "PA finding a default output device", "PA streamopen" or
    // "PA streamstart" (reported by reportPortAudioError).
    static PortAudioOgg* create(quadrelume::FileData* file);

    // Stops the stream if it plays, closes it and shuts PortAudio down;
    // failures are reported at "PA streamstop" and "PA streamclose".
    ~PortAudioOgg() override;
    PortAudioOgg(const PortAudioOgg&) = delete;
    PortAudioOgg& operator=(const PortAudioOgg&) = delete;

    // Starts or stops the stream; a call with the current state does nothing.
    // Failures are reported at "PA streamstart" and "PA streamstop".
    void setRunning(bool running) override;
    // Hands `seconds` into the music to the next callback (see
    // OggMusicDecoder::requestSeek); the reading follows once it has run.
    void seek(float seconds) override;
    // The playback position in seconds. It never goes back, except once a
    // seek has been carried out: the decode times of buffers produced in a
    // burst would otherwise let the reading run ahead and then fall back.
    float currentTime() override;

private:
    explicit PortAudioOgg(quadrelume::FileData* file);

    static int streamCallback(const void* input, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags, void* self);

    bool playing_ = false;
    quadrelume::OggMusicDecoder decoder_;
    PaStream* stream_ = nullptr;

    // Main-thread state of currentTime: the highest reading given since the
    // last carried-out seek, and whether a requested seek is still awaited.
    float highestReading_ = 0.0f;
    bool awaitingSeek_ = false;
};

namespace quadrelume {

// Reports a PortAudio failure at `place` and ends the process: shuts PortAudio
// down, then fails with "An error occured while using the portaudio stream at
// <place>\nError number: <error>\nError message: <PortAudio's text>\n".
[[noreturn]] void reportPortAudioError(const char* place, PaError error);

}  // namespace quadrelume
