#include "app/timeline_host.h"

#include "clock/port_audio_ogg.h"
#include "clock/torva_time_source.h"
#include "reload/file_data.h"

namespace quadrelume {

void playTimeline(Demo& demo, TimeSource& clock, float t) {
    demo.render(t);
    if (demo.endTime < t) clock.seek(0.0f);
}

std::unique_ptr<TimeSource> chooseClock(const char* musicPath) {
    std::unique_ptr<ReloadableFileData> music = loadReloadableFile(musicPath);
    if (!music) return std::make_unique<TorvaTimeSource>();
    // The player decodes from the file's memory until it is closed, so the
    // contents must outlive it: they are kept until the process ends.
    return std::unique_ptr<TimeSource>(PortAudioOgg::create(music.release()));
}

}  // namespace quadrelume
