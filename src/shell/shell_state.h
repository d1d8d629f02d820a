// Process-wide state of the running program, shared by the frame loop, the
// window's event handling, the renderer (the viewport size) and the script
// built-in that ends the program.
#pragma once

#include "platform/display.h"

namespace quadrelume {

// The frame loop runs while this is non-zero. Escape, a close request and
// the script built-in `halt` set it to 0; nothing sets it back.
extern int running;

// Room for typed characters that the frame loop has not taken yet.
inline constexpr int keyQueueCapacity = 300;

// Typed characters, oldest first; keyCount of them are valid. The window's
// event handling appends, the frame loop removes one per frame.
extern char keyQueue[keyQueueCapacity];
extern int keyCount;

// Current drawable size of the window in pixels; the viewport follows it.
extern int windowWidth;
extern int windowHeight;

// Appends `c` to keyQueue. A character that finds the queue full is dropped:
// it is one of more than 300 keys typed within a single frame, and losing it
// is better than losing the ones already waiting.
void queueKey(char c);

// Takes the oldest character from a non-empty keyQueue and moves the rest
// down by one place.
char takeKey();

// A time key pressed in the window, for edit mode.
struct TimeKeyPress {
    platform::TimeKey key;
    bool shift;
};

inline constexpr int timeKeyQueueCapacity = 64;

// Time keys pressed and not taken yet, oldest first. Only edit mode takes
// them, so they are queued only while timeKeysWanted is set; a key that
// finds the queue full is dropped.
extern bool timeKeysWanted;
extern TimeKeyPress timeKeyQueue[timeKeyQueueCapacity];
extern int timeKeyCount;

}  // namespace quadrelume
