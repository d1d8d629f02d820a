#include "app/timeline_host.h"

#include <cstdio>
#include <string>

#include "clock/port_audio_ogg.h"
#include "clock/torva_time_source.h"

namespace quadrelume {

void playTimeline(Demo& demo, TimeSource& clock, float t) {
    demo.render(t);
    if (demo.endTime < t) {
        clock.seek(0.0f);
        demo.buffers.clearAll();
    }
}

void playEditedTimeline(Demo* demo, TimeSource& clock, float t) {
    if (demo == nullptr) return;
    if (demo->endTime > 0.0f) playTimeline(*demo, clock, t);
    else demo->render(t);
}

namespace {

// The music clock, or null when there is no sound output to play on.
TimeSource* musicClock(FileData* music, ClockUse use) {
    if (use == ClockUse::player) return PortAudioOgg::create(music);
    std::string whyNot;
    PortAudioOgg* player = PortAudioOgg::createIfAudible(music, &whyNot, PortAudioOgg::Latency::low);
    if (player != nullptr) return player;
    // The report's lines, on one line of their own.
    while (!whyNot.empty() && whyNot.back() == '\n') whyNot.pop_back();
    for (std::size_t at = whyNot.find('\n'); at != std::string::npos; at = whyNot.find('\n', at))
        whyNot.replace(at, 1, "; ");
    std::fflush(stdout);
    std::fprintf(stderr,
                 "quadrelume: there is no usable sound output, so the demo plays on the timer clock, without "
                 "its music\n(%s)\n",
                 whyNot.c_str());
    return nullptr;
}

}  // namespace

DemoClock chooseClock(const char* musicPath, ClockUse use) {
    DemoClock chosen;
    std::unique_ptr<ReloadableFileData> music = loadReloadableFile(musicPath);
    if (music) requireRegularFile(*music);
    chosen.music = std::move(music);
    if (chosen.music) chosen.clock.reset(musicClock(chosen.music.get(), use));
    if (!chosen.clock) {
        chosen.music.reset();
        chosen.clock = std::make_unique<TorvaTimeSource>();
    }
    return chosen;
}

}  // namespace quadrelume
