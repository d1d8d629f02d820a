#include "app/reload_cycle.h"

#include "reload/pollable.h"

namespace quadrelume {

void checkForReloads(platform::DirectoryWatch& watch) {
    if (!watch.active()) return;
    switch (watch.test()) {
        case platform::DirectoryWatch::State::signalled:
            watch.rearm();  // closes itself when it cannot go on
            pollAll();
            break;
        case platform::DirectoryWatch::State::timeout: break;
        case platform::DirectoryWatch::State::failed: watch.close(); break;
    }
}

}  // namespace quadrelume
