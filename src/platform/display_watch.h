// Noticing that the X server has gone, whatever the program is doing at the
// time: the GL driver talks to the server through its own XCB calls, and on
// a dead connection those can spin for ever without Xlib ever hearing of it.
#pragma once

namespace quadrelume::platform {

// Ends the process because the connection to the display is lost. The first
// thread to call it calls `stop` (if not null) to stop what must not outlive
// the window, then prints "Lost the connection to the display" on standard
// error and exits with code -1, without exit handlers: they belong to
// libraries whose display is gone. Should `stop` meet the loss again and
// call back in on the same thread, the process ends there at once, with the
// line; a call from any other thread waits for the first one to end it.
[[noreturn]] void endForLostDisplay(void (*stop)());

// Starts a thread that waits, without reading anything, for the other end
// of the display connection's socket `fd` to hang up (the server ended, or
// the link to it broke), and then calls endForLostDisplay with whatever
// handler `*stop` holds by then. The thread blocks every signal, so they
// still reach the threads that expect them, and ends quietly if `fd` is
// closed.
void watchDisplayConnection(int fd, void (*const* stop)());

}  // namespace quadrelume::platform
