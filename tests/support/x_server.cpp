#include "support/x_server.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <fstream>
#include <map>
#include <stdexcept>
#include <thread>

namespace quadrelume::testing {
namespace {

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Windows come and go under a window manager while the tests walk the tree;
// a request about one that has just gone fails, and is simply not answered.
// Xlib's own handler would end the test program.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

XServer::XServer(int width, int height) : width_(width), height_(height) {
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    XSetErrorHandler(ignoreErrors);
    server_ = std::make_unique<Process>(
        std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-wr"},
        "/");
    for (int i = 0; i < 1000 && display_ == nullptr; ++i) {
        std::string out = server_->output();
        if (!out.empty() && out.back() == '\n') {
            name_ = ":" + out.substr(0, out.size() - 1);
            display_ = XOpenDisplay(name_.c_str());
        }
        if (display_ == nullptr) pause(10);
    }
    if (display_ == nullptr) throw std::runtime_error("Xvfb did not start: " + server_->errors());
}

XServer::~XServer() {
    if (windowManager_) windowManager_->kill();
    if (display_ != nullptr) XCloseDisplay(display_);
    server_->kill();
}

void XServer::startWindowManager() {
    windowManager_ = std::make_unique<Process>(std::vector<std::string>{"/usr/bin/openbox", "--sm-disable"}, "/",
                                               std::map<std::string, std::string>{{"DISPLAY", name_}});
    // The window manager claims the screen before it is ready to manage
    // windows, and a window mapped in between may stay unmapped for good. A
    // probe window, mapped again until the manager frames it, shows that it
    // is ready.
    const Window root = DefaultRootWindow(display_);
    Window probe = XCreateSimpleWindow(display_, root, 0, 0, 8, 8, 0, 0, 0);
    for (int i = 0; i < 200; ++i) {
        XMapWindow(display_, probe);
        XSync(display_, False);
        pause(50);
        Window rootReturn = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XWindowAttributes attributes{};
        bool framed = XQueryTree(display_, probe, &rootReturn, &parent, &children, &count) && parent != root &&
                      XGetWindowAttributes(display_, probe, &attributes) && attributes.map_state == IsViewable;
        if (children != nullptr) XFree(children);
        if (framed) {
            XDestroyWindow(display_, probe);
            XSync(display_, False);
            return;
        }
    }
    XDestroyWindow(display_, probe);
    throw std::runtime_error("the window manager did not start: " + windowManager_->errors());
}

void XServer::kill() {
    // Our own connection would die with it: let it go first, quietly.
    if (display_ != nullptr) XCloseDisplay(display_);
    display_ = nullptr;
    server_->kill();
}

namespace {

// The mapped window named `title` among `parent`'s children, or their
// children (a window manager puts each client in a frame of its own).
Window findNamed(Display* display, Window parent, const std::string& title, int depth) {
    Window rootReturn = 0;
    Window parentReturn = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &rootReturn, &parentReturn, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        XTextProperty name{};
        // Titles may be stored as UTF-8, which XFetchName refuses; ours are ASCII.
        if (XGetWMName(display, children[i], &name) && name.value != nullptr) {
            std::string text(reinterpret_cast<const char*>(name.value), name.nitems);
            XWindowAttributes attributes{};
            if (title == text && XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable)
                found = children[i];
            XFree(name.value);
        }
        if (found == 0 && depth > 0) found = findNamed(display, children[i], title, depth - 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace

std::optional<WindowGeometry> XServer::waitForWindow(const std::string& title, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        Window found = findNamed(display_, DefaultRootWindow(display_), title, 2);
        if (found != 0) return geometry(found);
        pause(20);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

namespace {

void describe(Display* display, Window window, int depth, std::string& out) {
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count)) return;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, children[i], &attributes);
        XTextProperty name{};
        std::string title;
        if (XGetWMName(display, children[i], &name) && name.value != nullptr) {
            title.assign(reinterpret_cast<const char*>(name.value), name.nitems);
            XFree(name.value);
        }
        out += std::string(static_cast<std::size_t>(depth) * 2, ' ') + std::to_string(children[i]) + " \"" + title +
               "\" " + std::to_string(attributes.width) + "x" + std::to_string(attributes.height) +
               (attributes.map_state == IsViewable ? " viewable" : attributes.map_state == IsUnmapped ? " unmapped" : " unviewable") +
               "\n";
        if (depth < 3) describe(display, children[i], depth + 1, out);
    }
    if (children != nullptr) XFree(children);
}

}  // namespace

std::string XServer::describeWindows() {
    std::string out;
    describe(display_, DefaultRootWindow(display_), 0, out);
    return out;
}

WindowGeometry XServer::geometry(unsigned long window) {
    WindowGeometry g;
    g.id = window;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window, &attributes)) return g;
    Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &g.x, &g.y, &child);
    g.width = attributes.width;
    g.height = attributes.height;
    g.viewable = attributes.map_state == IsViewable;
    return g;
}

std::optional<std::array<long, 4>> XServer::frameExtents(unsigned long window) {
    Atom extents = XInternAtom(display_, "_NET_FRAME_EXTENTS", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::optional<std::array<long, 4>> found;
    if (XGetWindowProperty(display_, window, extents, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        count == 4 && format == 32) {
        auto* values = reinterpret_cast<long*>(data);
        found = std::array<long, 4>{values[0], values[1], values[2], values[3]};
    }
    if (data != nullptr) XFree(data);
    return found;
}

bool XServer::hasWindowState(unsigned long window, const std::string& state) {
    Atom property = XInternAtom(display_, "_NET_WM_STATE", False);
    Atom wanted = XInternAtom(display_, state.c_str(), False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display_, window, property, 0, 64, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success &&
        format == 32) {
        auto* atoms = reinterpret_cast<Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) found = found || atoms[i] == wanted;
    }
    if (data != nullptr) XFree(data);
    return found;
}

void XServer::resizeWindow(unsigned long window, int width, int height) {
    XResizeWindow(display_, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display_, False);
}

std::vector<unsigned> XServer::screenshot() {
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), 0, 0, static_cast<unsigned>(width_),
                              static_cast<unsigned>(height_), AllPlanes, ZPixmap);
    if (image == nullptr) throw std::runtime_error("XGetImage failed");
    std::vector<unsigned> pixels;
    pixels.reserve(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            pixels.push_back(static_cast<unsigned>(XGetPixel(image, x, y) & 0xFFFFFFu));
    XDestroyImage(image);
    return pixels;
}

unsigned XServer::pixel(int x, int y) {
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) throw std::runtime_error("XGetImage failed");
    unsigned value = static_cast<unsigned>(XGetPixel(image, 0, 0) & 0xFFFFFFu);
    XDestroyImage(image);
    return value;
}

void XServer::savePpm(const std::string& path) {
    std::vector<unsigned> pixels = screenshot();
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width_ << " " << height_ << "\n255\n";
    for (unsigned p : pixels) {
        char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
        out.write(rgb, 3);
    }
}

void XServer::typeKeysym(unsigned long keysym) {
    KeyCode code = XKeysymToKeycode(display_, keysym);
    XTestFakeKeyEvent(display_, code, True, 0);
    XTestFakeKeyEvent(display_, code, False, 0);
    XSync(display_, False);
}

void XServer::typeShiftedKeysym(unsigned long keysym) {
    KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
    XTestFakeKeyEvent(display_, shift, True, 0);
    typeKeysym(keysym);
    XTestFakeKeyEvent(display_, shift, False, 0);
    XSync(display_, False);
}

void XServer::typeText(const std::string& text) {
    for (char c : text) typeKeysym(static_cast<unsigned char>(c));  // Latin-1 keysyms equal their codes
}

void XServer::movePointer(int x, int y) {
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, 0);
    XSync(display_, False);
}

void XServer::clickAt(int x, int y) {
    movePointer(x, y);
    XTestFakeButtonEvent(display_, 1, True, 0);
    XTestFakeButtonEvent(display_, 1, False, 0);
    XSync(display_, False);
}

void XServer::focus(unsigned long window) {
    XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
}

void XServer::requestClose(unsigned long window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XSync(display_, False);
}

}  // namespace quadrelume::testing
