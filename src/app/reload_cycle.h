// Rebuilds whatever was loaded from files that changed on disk.
#pragma once

#include "platform/directory_watch.h"

namespace quadrelume {

// Tests the watch without waiting. After a signal it re-arms the watch and
// polls every registered holder once, in registration order; a watch that
// cannot be re-armed is closed, but the holders are still polled for this
// signal. A watch that fails is closed and reloading stops for the run.
void checkForReloads(platform::DirectoryWatch& watch);

}  // namespace quadrelume
