// The demo's music, played through PortAudio, as the demo clock.
#pragma once

#include <portaudio.h>

#include <string>

#include "clock/ogg_music_decoder.h"
#include "clock/time_source.h"
#include "reload/file_data.h"

// Plays a stereo Ogg Vorbis file held in memory on the default output device
// and reads the playback position as the clock: the position just past the
// last decoded buffer plus the stream time since that buffer was decoded.
// Decoding runs in PortAudio's stream callback; a seek shows in the reading
// at once and is carried out by the next callback.
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

    // As create, except that a missing or unusable audio output ends nothing:
    // when PortAudio fails at one of the places above, it is shut down again
    // and the answer is null, with the report create would show (ending in a
    // newline) in `*whyNot`. A file that cannot be played and a second player
    // stay fatal; a refused output makes no player, so a later creation may
    // try again.
    static PortAudioOgg* createIfAudible(quadrelume::FileData* file, std::string* whyNot);

    // How much sound the device is asked to hold ahead of what it plays.
    enum class Latency {
        // The device's default high latency: robust against a busy machine,
        // but a seek is heard only once what it holds has played out.
        high,
        // The device's default low latency, for an editing session: a seek
        // is heard about as soon as it shows.
        low,
    };
    // As createIfAudible, with the output latency chosen.
    static PortAudioOgg* createIfAudible(quadrelume::FileData* file, std::string* whyNot, Latency latency);

    // Stops the stream if it plays, closes it and shuts PortAudio down;
    // failures are reported at "PA streamstop" and "PA streamclose".
    ~PortAudioOgg() override;
    PortAudioOgg(const PortAudioOgg&) = delete;
    PortAudioOgg& operator=(const PortAudioOgg&) = delete;

    // Starts or stops the stream; a call with the current state does nothing.
    // Stopping holds the reading where it stands; the buffers already handed
    // to the device still play out. Starting continues the music with the
    // first frame not yet played, and the reading from where it was held, at
    // no more than the stream's pace until the next seek: the device takes
    // in a whole buffer's worth at once when it starts, which would
    // otherwise make the reading jump ahead. Failures are reported at
    // "PA streamstart" and "PA streamstop".
    void setRunning(bool running) override;
    // Makes the clock read `seconds` at once (clamped as by
    // OggMusicDecoder::requestSeek) and hands the seek to the next callback;
    // the reading holds there until that callback has run, and while
    // stopped, until started again.
    void seek(float seconds) override;
    // The playback position in seconds. While no callback comes (a stalled
    // device) it runs on past the last decoded buffer at most by what the
    // device can still play: the stream's output latency plus one buffer, or
    // more where the device took in more at once when it started (see
    // OggMusicDecoder::setStallAllowance). It never goes back, except to a seek's target: the decode times of
    // buffers produced in a burst would otherwise let it run ahead and then
    // fall back. A decoding failure met in the callback, which plays silence
    // from then on, is raised here, on the calling thread: fatal with its
    // message.
    float currentTime() override;

private:
    // Where PortAudio failed, for the report.
    struct OutputFailure {
        const char* place = nullptr;
        PaError error = paNoError;
    };

    // Opens the decoder on `file`; fatal when the file cannot be played.
    explicit PortAudioOgg(quadrelume::FileData* file);
    // Creation with the stream started, or null with `*failed` filled.
    static PortAudioOgg* make(quadrelume::FileData* file, Latency latency, OutputFailure* failed);
    // Initialises PortAudio and opens and starts the stream on the default
    // output device. On failure closes what it opened, shuts PortAudio down
    // again and answers false with `*failed` filled.
    bool startOutput(Latency latency, OutputFailure* failed);

    static int streamCallback(const void* input, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags, void* self);

    bool playing_ = false;
    quadrelume::OggMusicDecoder decoder_;
    // Null until the stream is open, and again once a start has failed.
    PaStream* stream_ = nullptr;

    // Main-thread state of currentTime: the highest reading given since the
    // last seek, the reading held while stopped, and since the last start
    // (until a seek), the reading and stream time it started from.
    float highestReading_ = 0.0f;
    float heldReading_ = 0.0f;
    bool paced_ = false;
    double startReading_ = 0.0;
    double startTime_ = 0.0;
};

namespace quadrelume {

// Reports a PortAudio failure at `place` and ends the process: shuts PortAudio
// down, then fails with "An error occured while using the portaudio stream at
// <place>\nError number: <error>\nError message: <PortAudio's text>\n".
[[noreturn]] void reportPortAudioError(const char* place, PaError error);

}  // namespace quadrelume
