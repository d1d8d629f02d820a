// The one window the demo is drawn in, with its EGL surface and OpenGL ES 2.0
// context, and the events the window reports.
#pragma once

namespace quadrelume::platform {

// Key-state flags reported with pointer motion.
enum KeyFlag : unsigned {
    keyFlagLeftButton = 0x1,
    keyFlagRightButton = 0x2,
    keyFlagShift = 0x4,
    keyFlagControl = 0x8,
    keyFlagMiddleButton = 0x10,
    keyFlagExtraButton1 = 0x20,
    keyFlagExtraButton2 = 0x40,
};

// Keys that type no character but move through time in edit mode.
enum class TimeKey { playPause, back, forward, previousMark, nextMark, start };

struct WindowEvent {
    enum class Kind { character, closeRequest, resize, pointerMove, timeKey };
    Kind kind;
    // character: the typed character. Escape is 27, Return 13, Tab 9,
    // Backspace 8, Control with a letter its control code; other text comes
    // as its UTF-8 bytes, one event per byte.
    char character = 0;
    // resize: the new drawable size in pixels.
    int width = 0;
    int height = 0;
    // timeKey: Space, Left, Right, Page Up, Page Down or Home, pressed or
    // repeated by the keyboard; keyFlags tells whether Shift was held. Space
    // also types its character.
    TimeKey timeKey = TimeKey::playPause;
    // pointerMove and timeKey: KeyFlag bits held; pointerMove: the position
    // in window pixels.
    unsigned keyFlags = 0;
    int x = 0;
    int y = 0;
};

// Receives every event while pumpMessages runs.
using WindowEventHandler = void (*)(const WindowEvent& event);

// Opens a borderless window titled `title` over the primary screen, shows it,
// creates the EGL display, window surface and ES 2.0 context on it and makes
// them current. From its start on, fatal errors are also shown in a box,
// owned by the window once it exists. Each step that fails is fatal with its
// own message; without a usable X display that is "Could not get EGL
// display". On return *width and *height hold the drawable size.
void initDisplay(const char* title, WindowEventHandler handler, int* width, int* height);

// Called once if the connection to the display is lost (the X server ended
// or went away), to stop what must not outlive the window, such as the
// music. The process then ends with exit code -1 after the line "Lost the
// connection to the display" on standard error; no box can be shown then.
using DisplayLostHandler = void (*)();
void setDisplayLostHandler(DisplayLostHandler handler);

// Hands every pending window event to the handler, without waiting.
void pumpMessages();

// Presents the frame drawn since the last swap.
void swapBuffers();

}  // namespace quadrelume::platform
