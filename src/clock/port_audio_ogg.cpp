#include "clock/port_audio_ogg.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

#include "platform/fatal.h"
#include "platform/sound_noise.h"

namespace {

// The one player of the process; set on creation and never cleared, so a
// second creation is refused even after the first player was deleted.
PortAudioOgg* thePlayer = nullptr;

// The formatted PortAudio report: built in place, nothing to allocate on the
// way out.
char portAudioReport[1024];

const char* formatPortAudioReport(const char* place, PaError error) {
    std::snprintf(portAudioReport, sizeof portAudioReport,
                  "An error occured while using the portaudio stream at %s\nError number: %d\nError message: %s\n",
                  place, error, Pa_GetErrorText(error));
    return portAudioReport;
}

void check(PaError error, const char* place) {
    if (error != paNoError) quadrelume::reportPortAudioError(place, error);
}

}  // namespace

namespace quadrelume {

void reportPortAudioError(const char* place, PaError error) {
    Pa_Terminate();
    fatal(formatPortAudioReport(place, error));
}

}  // namespace quadrelume

PortAudioOgg* PortAudioOgg::create(quadrelume::FileData* file) {
    OutputFailure failed;
    PortAudioOgg* player = make(file, Latency::high, &failed);
    if (player == nullptr) quadrelume::reportPortAudioError(failed.place, failed.error);
    return player;
}

PortAudioOgg* PortAudioOgg::createIfAudible(quadrelume::FileData* file, std::string* whyNot) {
    return createIfAudible(file, whyNot, Latency::high);
}

PortAudioOgg* PortAudioOgg::createIfAudible(quadrelume::FileData* file, std::string* whyNot, Latency latency) {
    OutputFailure failed;
    PortAudioOgg* player = make(file, latency, &failed);
    if (player == nullptr) *whyNot = formatPortAudioReport(failed.place, failed.error);
    return player;
}

PortAudioOgg* PortAudioOgg::make(quadrelume::FileData* file, Latency latency, OutputFailure* failed) {
    if (thePlayer != nullptr) quadrelume::fatal("Ogg player already exists");
    std::unique_ptr<PortAudioOgg> player(new PortAudioOgg(file));
    if (!player->startOutput(latency, failed)) return nullptr;
    thePlayer = player.release();
    return thePlayer;
}

PortAudioOgg::PortAudioOgg(quadrelume::FileData* file) : decoder_(file) {}

bool PortAudioOgg::startOutput(Latency latency, OutputFailure* failed) {
    auto failAt = [this, failed](const char* place, PaError error) {
        if (stream_ != nullptr) Pa_CloseStream(stream_);
        stream_ = nullptr;
        Pa_Terminate();
        *failed = {place, error};
        return false;
    };
    quadrelume::platform::silenceSoundLibraryErrors();
    // Initialisation probes every back end (sound servers included), and some
    // print what they do not find straight to standard error.
    quadrelume::platform::MutedStandardError muted;
    PaError initialised = Pa_Initialize();
    muted.restore();
    if (initialised != paNoError) return failAt("init", initialised);

    PaStreamParameters output{};
    output.device = Pa_GetDefaultOutputDevice();
    if (output.device == paNoDevice) return failAt("PA finding a default output device", 0);
    output.channelCount = 2;
    output.sampleFormat = paInt16;
    const PaDeviceInfo* device = Pa_GetDeviceInfo(output.device);
    output.suggestedLatency =
        latency == Latency::high ? device->defaultHighOutputLatency : device->defaultLowOutputLatency;
    output.hostApiSpecificStreamInfo = nullptr;
    int rate = decoder_.rate();
    unsigned long framesPerBuffer = static_cast<unsigned long>(rate / 100);
    PaError opened = Pa_OpenStream(&stream_, nullptr, &output, rate, framesPerBuffer, paNoFlag, streamCallback, this);
    if (opened != paNoError) {
        stream_ = nullptr;
        return failAt("PA streamopen", opened);
    }
    // A stalled device still plays what it holds: its queue (the output
    // latency) and the buffer being handed over. Past that the music has
    // really stopped, and so does the clock. (Devices that hold more than
    // they tell show it while they fill up; the decoder learns that.)
    const PaStreamInfo* info = Pa_GetStreamInfo(stream_);
    double queued = info != nullptr ? info->outputLatency : 0.0;
    decoder_.setStallAllowance(queued + static_cast<double>(framesPerBuffer) / rate);
    decoder_.setReferenceTime(Pa_GetStreamTime(stream_));
    PaError started = Pa_StartStream(stream_);
    if (started != paNoError) return failAt("PA streamstart", started);
    playing_ = true;
    return true;
}

PortAudioOgg::~PortAudioOgg() {
    if (stream_ == nullptr) return;  // the output never started, and PortAudio is shut down already
    if (playing_) check(Pa_StopStream(stream_), "PA streamstop");
    check(Pa_CloseStream(stream_), "PA streamclose");
    Pa_Terminate();
}

void PortAudioOgg::setRunning(bool running) {
    if (running == playing_) return;
    if (!running) {
        heldReading_ = currentTime();
        playing_ = false;
        check(Pa_StopStream(stream_), "PA streamstop");
        return;
    }
    // No callback runs while the stream is stopped, so the decoder may be
    // told here that the time since the last one does not count. The music
    // goes on from the decoder's position, all of which has played out; the
    // reading may stand a little past it and holds until it catches up.
    double now = Pa_GetStreamTime(stream_);
    decoder_.setReferenceTime(now);
    highestReading_ = heldReading_;
    paced_ = true;
    startReading_ = heldReading_;
    startTime_ = now;
    playing_ = true;
    check(Pa_StartStream(stream_), "PA streamstart");
}

void PortAudioOgg::seek(float seconds) {
    decoder_.requestSeek(seconds);
    highestReading_ = -std::numeric_limits<float>::infinity();
    // While playing, the device's buffers are full: the decoder goes on from
    // the target at the pace the device takes it, and needs no holding back.
    // (A start paces the reading again.)
    paced_ = false;
    if (!playing_) heldReading_ = static_cast<float>(decoder_.reading(0.0));  // a pending seek reads its target
}

float PortAudioOgg::currentTime() {
    // The callback cannot end the process itself: the main thread would
    // still be drawing while static destructors run.
    if (const char* failure = decoder_.failure()) quadrelume::fatal(failure);
    if (!playing_) return heldReading_;
    double now = Pa_GetStreamTime(stream_);
    long double decoded = decoder_.reading(now);
    if (paced_) decoded = std::min(decoded, static_cast<long double>(startReading_ + (now - startTime_)));
    float reading = static_cast<float>(decoded);
    if (reading > highestReading_) highestReading_ = reading;
    return highestReading_;
}

int PortAudioOgg::streamCallback(const void*, void* output, unsigned long frames,
                                 const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags, void* self) {
    static_cast<PortAudioOgg*>(self)->decoder_.render(output, frames, time->currentTime);
    return paContinue;
}
