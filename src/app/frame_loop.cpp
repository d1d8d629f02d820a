#include "app/frame_loop.h"

#include "shell/shell_state.h"

namespace quadrelume {

char readKey(FrameHost& host) {
    host.pumpMessages();
    while (keyCount == 0) {
        host.sleep(1);
        host.pumpMessages();
    }
    return takeKey();
}

void runFrameLoop(TimeSource& clock, FrameHost& host) {
    while (running != 0) {
        float t = clock.currentTime();
        host.pumpMessages();
        if (keyCount != 0 && readKey(host) == 27) running = 0;
        host.clear(windowWidth, windowHeight);
        host.draw(clock, t);
        host.present();
        host.sleep(1);
        host.endPass();
    }
}

}  // namespace quadrelume
