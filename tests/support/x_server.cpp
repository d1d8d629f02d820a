#include "support/x_server.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace quadrelume::testing {
namespace {

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

XServer::XServer(int width, int height) : width_(width), height_(height) {
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
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
    if (display_ != nullptr) XCloseDisplay(display_);
    server_->kill();
}

void XServer::kill() {
    // Our own connection would die with it: let it go first, quietly.
    if (display_ != nullptr) XCloseDisplay(display_);
    display_ = nullptr;
    server_->kill();
}

std::optional<WindowGeometry> XServer::waitForWindow(const std::string& title, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        Window root = DefaultRootWindow(display_);
        Window rootReturn = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, root, &rootReturn, &parent, &children, &count)) {
            std::optional<WindowGeometry> found;
            for (unsigned i = 0; i < count && !found; ++i) {
                XTextProperty name{};
                // Titles may be stored as UTF-8, which XFetchName refuses; ours are ASCII.
                if (XGetWMName(display_, children[i], &name) && name.value != nullptr) {
                    std::string text(reinterpret_cast<const char*>(name.value), name.nitems);
                    XWindowAttributes attributes{};
                    if (title == text && XGetWindowAttributes(display_, children[i], &attributes) &&
                        attributes.map_state == IsViewable) {
                        WindowGeometry g;
                        g.id = children[i];
                        Window child = 0;
                        XTranslateCoordinates(display_, children[i], root, 0, 0, &g.x, &g.y, &child);
                        g.width = attributes.width;
                        g.height = attributes.height;
                        g.viewable = true;
                        found = g;
                    }
                    XFree(name.value);
                }
            }
            if (children != nullptr) XFree(children);
            if (found) return found;
        }
        pause(20);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
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
