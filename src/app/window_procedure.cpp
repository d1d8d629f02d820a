#include "app/window_procedure.h"

#include <cstdio>

#include "shell/shell_state.h"

namespace quadrelume {

void handleWindowEvent(const platform::WindowEvent& event) {
    using Kind = platform::WindowEvent::Kind;
    switch (event.kind) {
        case Kind::character: queueKey(event.character); break;
        case Kind::closeRequest: queueKey(27); break;
        case Kind::resize:
            windowWidth = event.width;
            windowHeight = event.height;
            break;
        case Kind::timeKey:
            if (timeKeysWanted && timeKeyCount < timeKeyQueueCapacity)
                timeKeyQueue[timeKeyCount++] = {event.timeKey, (event.keyFlags & platform::keyFlagShift) != 0};
            break;
        case Kind::pointerMove:
            // Positions print as the unsigned 16-bit values a pointer message
            // carries, y first.
            std::printf("MouseMove:%x %d %d\n", event.keyFlags, event.y & 0xFFFF, event.x & 0xFFFF);
            break;
        // The pointer's buttons and wheel and the function keys are the
        // editing session's, which sees them before they come here.
        case Kind::pointerButton:
        case Kind::wheel:
        case Kind::pointerLeave:
        case Kind::functionKey: break;
    }
}

}  // namespace quadrelume
