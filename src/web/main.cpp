// The web player: plays the demo whose files the page's loader (loader.js)
// has put into the current folder of its file system, on the page's canvas,
// with the music through Web Audio. The fragment of the page's address may
// name the moment to start at and hold (web/moment_link.h). The same
// libraries as the player's load the timeline, build the shaders and the
// textures and draw every frame; the music that the pictures follow is the
// player's analysis, which the site ships (web/shipped_music_table.h).
#include <GLES2/gl2.h>

#include <cstdio>
#include <memory>
#include <string>

#include "analysis/music_source.h"
#include "capture/frame_schedule.h"
#include "clock/torva_time_source.h"
#include "platform/fatal.h"
#include "platform_web/page.h"
#include "reload/file_data.h"
#include "shell/shell_state.h"
#include "timeline/demo_loader.h"
#include "web/held_clock.h"
#include "web/moment_link.h"
#include "web/music_pcm.h"
#include "web/page_music.h"
#include "web/page_player.h"
#include "web/shipped_music_table.h"
#include "web/web_audio_clock.h"

namespace {

using namespace quadrelume;

constexpr const char* timelinePath = "time.txt";
constexpr const char* musicPath = "demo.ogg";

// The frame rate of the grid that a held frame's buffers draw their past
// on: the capture program's at --fps 60 from the same moment, the rate of
// most displays, so that the page holds the frame that capture shows.
constexpr capture::FrameRate heldPastRate{60, 1};

// Live as long as the page: the frames go on after main has returned.
PagePlayer* player = nullptr;
PageMusic* pictureMusic = nullptr;

// The music that the pictures follow, installed as the current music before
// the first frame: the analysis the site ships beside `music`. Without one
// (no music), the spectrum, bands() and level() are silence, as in the
// player.
void installPictureMusic(const std::shared_ptr<ReloadableFileData>& music, bool clockTakesSamples) {
    if (!music) return;
    std::unique_ptr<ReloadableFileData> shipped = loadReloadableFile(shippedMusicTableName);
    if (!shipped) return;
    std::optional<analysis::MusicTable> rows = readShippedMusicTable(shipped->text());
    if (!rows)
        fatal(std::string(shippedMusicTableName) + " is not the analysis of the music that the page reads; publish "
                                                   "the demo again");
    pictureMusic = new PageMusic(music, std::move(*rows), clockTakesSamples);
    analysis::setMusicFinder([](void* music) -> analysis::MusicSource* { return static_cast<PageMusic*>(music); },
                             pictureMusic);
}

// The clock and how the page begins: a held frame stands on a clock of its
// own and never touches the music; with music the page waits for a gesture,
// since browsers allow sound only after one, and decodes the music once its
// first frame shows (unless that frame's spectrum texture needed its
// samples already); without, it plays at once on the timer clock.
std::unique_ptr<TimeSource> chooseClock(const MomentLink& link, float startTime,
                                        const std::shared_ptr<ReloadableFileData>& music,
                                        PagePlayer::Start* start, PagePlayer::ClockMaker* later) {
    std::unique_ptr<TimeSource> clock;
    const bool withMusic = music && !link.paused;
    if (link.paused || withMusic) {
        clock = std::make_unique<HeldClock>();
        *start = link.paused ? PagePlayer::Start::held : PagePlayer::Start::onGesture;
    } else {
        clock = std::make_unique<TorvaTimeSource>();
        *start = PagePlayer::Start::now;
    }
    if (withMusic) {
        *later = [music]() -> std::unique_ptr<TimeSource> {
            if (pictureMusic != nullptr) return std::make_unique<WebAudioClock>(pictureMusic->takeSamples());
            std::string problem;
            std::optional<MusicPcm> pcm = decodeMusicPcm(*music, &problem);
            if (!pcm) fatal(problem);
            return std::make_unique<WebAudioClock>(*pcm);
        };
    }
    clock->seek(startTime);
    return clock;
}

}  // namespace

int main() {
    const MomentLink link = parseMomentLink(platform::pageFragment());
    platform::initPageGl();
    platform::fitCanvas(&windowWidth, &windowHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    std::unique_ptr<ReloadableFileData> timeline = loadReloadableFile(timelinePath);
    if (!timeline) fatal("Could not load the timeline file time.txt from the current directory");
    // The per-frame trace has no reader on a page; what the libraries print
    // otherwise goes to the browser's console.
    std::FILE* trace = std::fopen("/dev/null", "w");
    std::unique_ptr<Demo> demo(loadDemo(timeline.get(), trace != nullptr ? trace : stdout));

    const std::shared_ptr<ReloadableFileData> music = loadReloadableFile(musicPath);
    installPictureMusic(music, !link.paused);
    capture::FrameSchedule grid;
    grid.from = link.startNanoseconds;
    grid.rate = heldPastRate;
    PagePlayer::Start start = PagePlayer::Start::now;
    PagePlayer::ClockMaker later;
    std::unique_ptr<TimeSource> clock = chooseClock(link, grid.timeOf(0), music, &start, &later);
    player = new PagePlayer(std::move(demo), std::move(clock), start,
                            [grid](std::int64_t index) { return grid.timeOf(index); }, std::move(later));
    platform::onGesture([](platform::Gesture gesture) { player->gesture(gesture); });
    platform::runFrames([] { player->frame(); });
    return 0;
}
