// The web page the web player runs in: the canvas it draws on, what the
// visitor does, and what the page shows besides the picture. The web build's
// counterpart of the player's window (platform/display.h).
#pragma once

#include <string>

namespace quadrelume::platform {

// Creates an OpenGL ES 2.0 context (WebGL 1) on the page's canvas and makes
// it current: no alpha channel, as the player's window on the usual 24-bit
// display has none, so that blending by the destination's alpha sees 1; no
// antialiasing, depth or stencil buffer, which effects never use; with the
// extensions for buffers of half floats enabled where the browser has them.
// From its start on, a fatal error is shown on the page (showMessage) and
// ends the frames. Fatal when the browser gives no WebGL.
void initPageGl();

// The canvas's size in device pixels: its size on the page times the
// device's pixel ratio, rounded. When its drawing buffer has another size,
// it is given this one (which clears it) and the answer is true.
bool fitCanvas(int* width, int* height);

// What the visitor did: a click or a touch, a key (without Control, Alt or
// Meta, not a repeat), or the full-screen key "f".
enum class Gesture { pointer, key, fullScreenKey };

// Calls `handler` from inside the browser's handler of every gesture, where
// a page may start sound and switch to full screen.
using GestureHandler = void (*)(Gesture gesture);
void onGesture(GestureHandler handler);

// Switches the page to full screen, or back. Only inside a gesture.
void toggleFullScreen();

// The fragment of the page's address, after "#", with %-escapes decoded.
std::string pageFragment();

// Shows `text` on the page, over the picture.
void showMessage(const std::string& text);

// Tells the page what the player does now (`state`: "waiting", "playing",
// "held", "halted"), the demo time of the frame shown and how many frames
// were drawn, for its style and for whoever watches it (the tests).
void setPageState(const char* state, float shownTime, long framesDrawn);

// Calls `frame` once before each repaint of the page, from now on.
void runFrames(void (*frame)());

}  // namespace quadrelume::platform
