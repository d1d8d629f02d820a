#include "platform_web/web_audio.h"

// Implemented by page.js.
extern "C" {
int quadrelume_audio_load(const std::int16_t* samples, double frames, int rate);
double quadrelume_audio_play(double seconds);
void quadrelume_audio_stop();
double quadrelume_audio_time();
}

namespace quadrelume::platform {

bool loadMusic(const std::int16_t* samples, std::size_t frames, int rate) {
    return quadrelume_audio_load(samples, static_cast<double>(frames), rate) != 0;
}

double playMusicFrom(double seconds) { return quadrelume_audio_play(seconds); }

void stopMusic() { quadrelume_audio_stop(); }

double audioTime() { return quadrelume_audio_time(); }

}  // namespace quadrelume::platform
