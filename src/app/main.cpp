// The player: opens the window, then draws the demo of the current directory
// frame by frame until Escape, a close request or the script says halt.
#include <GLES2/gl2.h>

#include <cstdio>
#include <memory>

#include "app/frame_loop.h"
#include "app/reload_cycle.h"
#include "app/shell_state.h"
#include "app/window_procedure.h"
#include "clock/torva_time_source.h"
#include "platform/directory_watch.h"
#include "platform/display.h"
#include "platform/time.h"

namespace {

using namespace quadrelume;

class PlayerHost : public FrameHost {
public:
    explicit PlayerHost(platform::DirectoryWatch& watch) : watch_(watch) {}

    void pumpMessages() override { platform::pumpMessages(); }
    void clear(int width, int height) override {
        glViewport(0, 0, width, height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void draw(TimeSource&, float) override {}
    void present() override {
        platform::swapBuffers();
        // The trace of a frame leaves in one write, even into a pipe.
        std::fflush(stdout);
    }
    void sleep(int ms) override { platform::sleepMilliseconds(ms); }
    void endPass() override { checkForReloads(watch_); }

private:
    platform::DirectoryWatch& watch_;
};

}  // namespace

int main() {
    platform::initDisplay("Quadrelume", handleWindowEvent, &windowWidth, &windowHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    platform::DirectoryWatch watch;
    watch.start(".");  // without a watch the demo still plays; it just does not reload
    std::unique_ptr<TimeSource> clock = std::make_unique<TorvaTimeSource>();

    PlayerHost host(watch);
    runFrameLoop(*clock, host);

    clock.reset();
    watch.close();
    return 0;
}
