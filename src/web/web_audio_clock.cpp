#include "web/web_audio_clock.h"

#include "platform/fatal.h"
#include "platform_web/web_audio.h"

namespace quadrelume {

WebAudioClock::WebAudioClock(const MusicPcm& music) {
    if (!platform::loadMusic(music.samples.data(), static_cast<std::size_t>(music.frames()), music.rate))
        fatal("This browser cannot play the demo's music: it has no Web Audio");
}

WebAudioClock::~WebAudioClock() { platform::stopMusic(); }

void WebAudioClock::setRunning(bool running) {
    if (running == running_) return;
    if (running) {
        running_ = true;
        startAudioTime_ = platform::playMusicFrom(startReading_);
    } else {
        startReading_ = currentTime();
        running_ = false;
        platform::stopMusic();
    }
}

void WebAudioClock::seek(float seconds) {
    startReading_ = seconds > 0.0f ? seconds : 0.0;
    if (running_) startAudioTime_ = platform::playMusicFrom(startReading_);
}

float WebAudioClock::currentTime() {
    if (!running_) return static_cast<float>(startReading_);
    return static_cast<float>(startReading_ + (platform::audioTime() - startAudioTime_));
}

}  // namespace quadrelume
