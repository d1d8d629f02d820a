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

// Pointer buttons, as pointerButton events name them.
enum class PointerButton { left, right, middle };

struct WindowEvent {
    enum class Kind {
        character, closeRequest, resize, pointerMove, timeKey,
        pointerButton, wheel, pointerLeave, functionKey,
    };
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
    // pointerMove and timeKey: KeyFlag bits held; pointerMove and
    // pointerButton: the position in window pixels.
    unsigned keyFlags = 0;
    int x = 0;
    int y = 0;
    // pointerButton: which button went down (pressed) or up.
    PointerButton button = PointerButton::left;
    bool pressed = false;
    // wheel: the steps turned, positive up (away from the user) and right.
    float wheelX = 0.0f;
    float wheelY = 0.0f;
    // functionKey: 1 for F1 up to 12 for F12, on the press only (the
    // keyboard's repeats are not reported). pointerLeave: the pointer left
    // the window; it carries nothing.
    int functionKey = 0;
};

// Receives every event while pumpMessages runs.
using WindowEventHandler = void (*)(const WindowEvent& event);

// A window of the author's choosing, for the editing session: a normal
// window with a frame that the window manager moves and resizes, or the
// plain player's borderless window over the whole primary screen.
struct WindowLayout {
    // Start as the borderless full-screen window.
    bool fullScreen = false;
    // The framed window's drawable size in pixels; 0 x 0 for the default,
    // half the primary screen's width at 16:9, at the top of the screen's
    // right half, which leaves its left half to an editor.
    int width = 0;
    int height = 0;
    // Where the top-left corner of the frame goes, in screen pixels; without
    // it a window of a given size is centred on the primary screen.
    bool placed = false;
    int x = 0;
    int y = 0;
    // Ask the window manager to keep the window above the others
    // (_NET_WM_STATE_ABOVE), in both forms.
    bool onTop = false;
};

// Opens a window titled `title`, shows it, creates the EGL display, window
// surface and ES 2.0 context on it and makes them current. Without a
// `layout` the window is borderless over the primary screen; with one it is
// laid out as the layout says. From its start on, fatal errors are also
// shown in a box, owned by the window once it exists. Each step that fails
// is fatal with its own message; without a usable X display that is "Could
// not get EGL display". On return *width and *height hold the drawable size.
void initDisplay(const char* title, WindowEventHandler handler, int* width, int* height,
                 const WindowLayout* layout = nullptr);

// Switches a window opened with a layout between its framed form (at the
// size and place it last had) and the borderless window over the primary
// screen. The new drawable size comes as a resize event. Does nothing to a
// window opened without a layout.
void setFullScreen(bool fullScreen);

// Whether the window is the borderless full-screen one.
bool isFullScreen();

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
