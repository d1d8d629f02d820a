// A private virtual X server and a client connection to it, for tests that
// run the real player in a real window.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/process.h"

typedef struct _XDisplay Display;

namespace quadrelume::testing {

struct WindowGeometry {
    unsigned long id = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool viewable = false;
};

class XServer {
public:
    // Starts Xvfb on a free display with one screen of width x height at 24
    // bits and connects to it. The bare root is white, so a screenshot tells
    // a black window that covers it from no window at all.
    XServer(int width = 1024, int height = 768);
    ~XServer();

    const std::string& name() const { return name_; }  // ":N"
    Display* display() const { return display_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Starts a window manager (openbox) on this server and waits until it
    // has taken over; it ends with the server. Throws when it does not come.
    void startWindowManager();

    // The first client window whose name is `title` (a child of the root, or
    // of a window manager's frame), waiting up to `seconds` for it to appear
    // and be mapped. Its place is that of its drawable, in screen pixels.
    std::optional<WindowGeometry> waitForWindow(const std::string& title, double seconds);

    // Every window below the root with its name, size and map state, one per
    // line and indented by depth, for a failure's message.
    std::string describeWindows();

    // Where `window` is now (its drawable, in screen pixels) and its size.
    WindowGeometry geometry(unsigned long window);

    // The frame a window manager drew around `window`: left, right, top and
    // bottom widths (_NET_FRAME_EXTENTS); nothing without one.
    std::optional<std::array<long, 4>> frameExtents(unsigned long window);

    // Whether `window`'s _NET_WM_STATE holds the atom named `state`.
    bool hasWindowState(unsigned long window, const std::string& state);

    // Asks for `window` to be resized, as a person dragging its corner would.
    void resizeWindow(unsigned long window, int width, int height);

    // RGB of every pixel of the screen, row by row.
    std::vector<unsigned> screenshot();
    // RGB of one pixel: cheap enough to poll while the player runs.
    unsigned pixel(int x, int y);

    // Synthetic input through the XTEST extension, as a person would give it.
    void typeKeysym(unsigned long keysym);
    // The key of `keysym` typed with Shift held.
    void typeShiftedKeysym(unsigned long keysym);
    void typeText(const std::string& text);
    void movePointer(int x, int y);
    // Moves the pointer to (x, y) and clicks the left button there.
    void clickAt(int x, int y);

    // Gives `window` the keyboard focus.
    void focus(unsigned long window);

    // Asks the window to close, as a window manager's close button does.
    void requestClose(unsigned long window);

    // Ends the server at once, as a crash would, under its clients' feet.
    void kill();

    // Writes the screen as a PNG-free portable pixmap, for a person to look at.
    void savePpm(const std::string& path);

private:
    std::unique_ptr<Process> server_;
    std::unique_ptr<Process> windowManager_;
    Display* display_ = nullptr;
    std::string name_;
    int width_;
    int height_;
};

}  // namespace quadrelume::testing
