// A fatal error's box must not keep the process from ending: nobody may be
// there to click it (a service manager, `timeout`, a logout).
#pragma once

namespace quadrelume::platform {

// Call just before a fatal error's box is shown. From then on SIGTERM and
// SIGINT end the process at once with the fatal exit code (-1, which the
// system reports as 255), and the box goes with it: a process forked from
// then on (the box's own, when the toolkit shows it from a child process)
// ends when this one ends, and on the same signals.
void endOnSignalsDuringBox();

}  // namespace quadrelume::platform
