// The web page's music clock: the demo's music played by Web Audio, whose
// position is the demo's time, as the player's music clock is.
#pragma once

#include "clock/time_source.h"
#include "web/music_pcm.h"

namespace quadrelume {

class WebAudioClock : public TimeSource {
public:
    // Hands `music` to Web Audio (the samples are copied there). Stopped at
    // 0 until setRunning(true). Fatal when the browser has no Web Audio.
    explicit WebAudioClock(const MusicPcm& music);
    // Stops the music.
    ~WebAudioClock() override;

    // Starting plays the music from the reading on; the first start must
    // come inside a gesture of the visitor's. Stopping stops the music and
    // holds the reading.
    void setRunning(bool running) override;
    // Makes the clock read `seconds` (0 for less, or NaN); while running, the
    // music plays from there at once (silence past its end).
    void seek(float seconds) override;
    // Where the music is: the reading at the last start or seek, plus the
    // audio context's time since. It runs on past the music's end, through
    // silence, as the player's clock does, so a timeline that outlasts its
    // music still reaches its end.
    float currentTime() override;

private:
    bool running_ = false;
    double startReading_ = 0.0;   // the reading at startAudioTime_ (running), or the held reading
    double startAudioTime_ = 0.0; // the audio context's time when the music last started
};

}  // namespace quadrelume
