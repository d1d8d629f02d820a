#include "app/timeline_host.h"

#include "clock/port_audio_ogg.h"
#include "clock/torva_time_source.h"

namespace quadrelume {

void playTimeline(Demo& demo, TimeSource& clock, float t) {
    demo.render(t);
    if (demo.endTime < t) clock.seek(0.0f);
}

void playEditedTimeline(Demo* demo, TimeSource& clock, float t) {
    if (demo == nullptr) return;
    if (demo->endTime > 0.0f) playTimeline(*demo, clock, t);
    else demo->render(t);
}

DemoClock chooseClock(const char* musicPath) {
    DemoClock chosen;
    chosen.music = loadReloadableFile(musicPath);
    if (chosen.music) {
        chosen.clock.reset(PortAudioOgg::create(chosen.music.get()));
    } else {
        chosen.clock = std::make_unique<TorvaTimeSource>();
    }
    return chosen;
}

}  // namespace quadrelume
