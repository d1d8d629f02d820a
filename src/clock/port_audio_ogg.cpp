#include "clock/port_audio_ogg.h"

#include <cstdio>
#include <limits>

#include "platform/fatal.h"
#include "platform/sound_noise.h"

namespace {

// The one player of the process; set on creation and never cleared, so a
// second creation is refused even after the first player was deleted.
PortAudioOgg* thePlayer = nullptr;

// The formatted PortAudio report: built in place, nothing to allocate on the
// way out.
char portAudioReport[1024];

void check(PaError error, const char* place) {
    if (error != paNoError) quadrelume::reportPortAudioError(place, error);
}

}  // namespace

namespace quadrelume {

void reportPortAudioError(const char* place, PaError error) {
    Pa_Terminate();
    std::snprintf(portAudioReport, sizeof portAudioReport,
                  "An error occured while using the portaudio stream at %s\nError number: %d\nError message: %s\n",
                  place, error, Pa_GetErrorText(error));
    fatal(portAudioReport);
}

}  // namespace quadrelume

PortAudioOgg* PortAudioOgg::create(quadrelume::FileData* file) {
    if (thePlayer != nullptr) quadrelume::fatal("Ogg player already exists");
    thePlayer = new PortAudioOgg(file);
    return thePlayer;
}

PortAudioOgg::PortAudioOgg(quadrelume::FileData* file) : decoder_(file) {
    quadrelume::platform::silenceSoundLibraryErrors();
    // Initialisation probes every back end (sound servers included), and some
    // print what they do not find straight to standard error.
    quadrelume::platform::MutedStandardError muted;
    PaError initialised = Pa_Initialize();
    muted.restore();
    check(initialised, "init");

    PaStreamParameters output{};
    output.device = Pa_GetDefaultOutputDevice();
    if (output.device == paNoDevice) quadrelume::reportPortAudioError("PA finding a default output device", 0);
    output.channelCount = 2;
    output.sampleFormat = paInt16;
    output.suggestedLatency = Pa_GetDeviceInfo(output.device)->defaultHighOutputLatency;
    output.hostApiSpecificStreamInfo = nullptr;
    int rate = decoder_.rate();
    check(Pa_OpenStream(&stream_, nullptr, &output, rate, static_cast<unsigned long>(rate / 100), paNoFlag,
                        streamCallback, this),
          "PA streamopen");
    decoder_.setReferenceTime(Pa_GetStreamTime(stream_));
    check(Pa_StartStream(stream_), "PA streamstart");
    playing_ = true;
}

PortAudioOgg::~PortAudioOgg() {
    if (playing_) check(Pa_StopStream(stream_), "PA streamstop");
    check(Pa_CloseStream(stream_), "PA streamclose");
    Pa_Terminate();
}

void PortAudioOgg::setRunning(bool running) {
    if (running == playing_) return;
    playing_ = running;
    if (running) check(Pa_StartStream(stream_), "PA streamstart");
    else check(Pa_StopStream(stream_), "PA streamstop");
}

void PortAudioOgg::seek(float seconds) {
    decoder_.requestSeek(seconds);
    awaitingSeek_ = true;
}

float PortAudioOgg::currentTime() {
    if (awaitingSeek_ && !decoder_.seekPending()) {
        awaitingSeek_ = false;
        highestReading_ = -std::numeric_limits<float>::infinity();
    }
    float reading = static_cast<float>(decoder_.reading(Pa_GetStreamTime(stream_)));
    if (reading > highestReading_) highestReading_ = reading;
    return highestReading_;
}

int PortAudioOgg::streamCallback(const void*, void* output, unsigned long frames,
                                 const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags, void* self) {
    static_cast<PortAudioOgg*>(self)->decoder_.render(output, frames, time->currentTime);
    return paContinue;
}
