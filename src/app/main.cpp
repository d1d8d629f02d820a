// The player: opens the window, loads the demo of the current directory and
// draws it frame by frame until Escape, a close request or the script says
// halt, rebuilding whatever the author saves while it runs.
#include <GLES2/gl2.h>

#include <cstdio>
#include <memory>

#include "app/frame_loop.h"
#include "app/reload_cycle.h"
#include "app/shell_state.h"
#include "app/timeline_host.h"
#include "app/window_procedure.h"
#include "platform/directory_watch.h"
#include "platform/display.h"
#include "platform/fatal.h"
#include "platform/time.h"
#include "reload/reloadable.h"
#include "timeline/demo_loader.h"

namespace {

using namespace quadrelume;

constexpr const char* timelinePath = "time.txt";
constexpr const char* musicPath = "demo.ogg";

class PlayerHost : public FrameHost {
public:
    PlayerHost(platform::DirectoryWatch& watch, Reloadable<Demo>& timeline) : watch_(watch), timeline_(timeline) {}

    void pumpMessages() override { platform::pumpMessages(); }
    void clear(int width, int height) override {
        glViewport(0, 0, width, height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // The holder's Demo is fetched anew every frame: a reload replaces it.
    void draw(TimeSource& clock, float t) override { playTimeline(*timeline_.object, clock, t); }
    void present() override {
        platform::swapBuffers();
        std::fflush(stdout);
    }
    void sleep(int ms) override { platform::sleepMilliseconds(ms); }
    void endPass() override { checkForReloads(watch_); }

private:
    platform::DirectoryWatch& watch_;
    Reloadable<Demo>& timeline_;
};

}  // namespace

int main() {
    platform::initDisplay("Quadrelume", handleWindowEvent, &windowWidth, &windowHeight);

    std::unique_ptr<ReloadableFileData> timelineFile = loadReloadableFile(timelinePath);
    if (!timelineFile) fatal("Could not load the timeline file time.txt from the current directory");
    // Built after the display (effect lines build shader programs) and
    // registered after the shader holders that building it creates, so a
    // reload pass rebuilds changed shaders before a changed timeline.
    Reloadable<Demo>::Load buildTimeline = loadDemo;
    auto timeline = std::make_unique<Reloadable<Demo>>(buildTimeline, std::move(timelineFile));

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    platform::DirectoryWatch watch;
    watch.start(".");  // without a watch the demo still plays; it just does not reload
    setBeingWrittenCheck(  // a file still being written is reloaded after its writer's close
        [](const std::string& path, void* w) { return static_cast<platform::DirectoryWatch*>(w)->isBeingWritten(path); },
        &watch);
    DemoClock demoClock = chooseClock(musicPath);

    PlayerHost host(watch, *timeline);
    runFrameLoop(*demoClock.clock, host);

    demoClock.clock.reset();  // the music stops before anything it reads goes
    demoClock.music.reset();
    watch.close();
    timeline.reset();
    return 0;
}
