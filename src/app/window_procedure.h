// What the shell does with each event its window reports.
#pragma once

#include "platform/display.h"

namespace quadrelume {

// Typed characters go to keyQueue (a close request queues Escape, 27, so it
// ends the program exactly as the key does); size changes update
// windowWidth and windowHeight; time keys go to timeKeyQueue when edit mode
// wants them, and are ignored otherwise; pointer motion prints
// "MouseMove:<flags in hex> <y> <x>" on standard output; pointer buttons,
// the wheel and the function keys are ignored.
void handleWindowEvent(const platform::WindowEvent& event);

}  // namespace quadrelume
