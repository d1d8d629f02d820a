// The music through the browser's Web Audio: the whole music held as one
// buffer, played from any point, and the audio context's clock.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quadrelume::platform {

// Hands `frames` frames of interleaved 16-bit stereo samples at `rate` Hz to
// Web Audio, copied, as the music to play; nothing plays yet. False when the
// browser has no Web Audio.
bool loadMusic(const std::int16_t* samples, std::size_t frames, int rate);

// Plays the music from `seconds` into it (nothing, silence, from its end
// on), in place of what played, and gives the audio context's time at the
// start. The first call must come inside a gesture: only then may a page
// make sound; until the context runs, its time stands still.
double playMusicFrom(double seconds);

// Stops the music.
void stopMusic();

// The audio context's time in seconds: how much sound it has played.
double audioTime();

}  // namespace quadrelume::platform
