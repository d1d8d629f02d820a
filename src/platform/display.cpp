#include "platform/display.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/box_signals.h"
#include "platform/display_watch.h"
#include "platform/fatal.h"

namespace quadrelume::platform {
namespace {

SDL_Window* mainWindow = nullptr;
// The editing session's window: whether it is laid out at all (the plain
// player's is not), its form now and how that was made, and where its
// framed form was when it went full screen by hand.
bool laidOut = false;
bool fullScreenNow = false;
bool fullScreenByWindowManager = false;
SDL_Rect framedPlace{};
EGLDisplay eglDisplay = EGL_NO_DISPLAY;
EGLSurface eglSurface = EGL_NO_SURFACE;
EGLContext eglContext = EGL_NO_CONTEXT;
WindowEventHandler eventHandler = nullptr;
DisplayLostHandler displayLostHandler = nullptr;

// Xlib calls this when the connection breaks, from inside whatever call met
// the break; it must not return. Xlib's own handler would print its report
// and exit with 1 while the music plays on to the end of its buffers.
int onConnectionLost(Display*) { endForLostDisplay(displayLostHandler); }

void showBox(const char* caption, const char* text) {
    // The box waits for a click that may never come; a request to end the
    // process ends it, box and all.
    endOnSignalsDuringBox();
    // Fails fast (and returns) when there is no display to show it on.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, mainWindow);
}

const EGLint configAttributes[] = {
    EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, EGL_DONT_CARE,
    EGL_DEPTH_SIZE, 16, EGL_STENCIL_SIZE, EGL_DONT_CARE, EGL_SAMPLE_BUFFERS, 0,
    EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT, EGL_NONE};

const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE, EGL_NONE};

// The config to render the window with. X11 refuses a surface whose visual
// differs from the window's, so among the matching configs the one with the
// window's own visual wins; the first is taken when none has it.
bool chooseConfig(Display* x11, Window window, EGLConfig* chosen) {
    EGLint count = 0;
    if (!eglChooseConfig(eglDisplay, configAttributes, nullptr, 0, &count) || count <= 0) return false;
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    if (!eglChooseConfig(eglDisplay, configAttributes, configs.data(), count, &count) || count <= 0)
        return false;
    *chosen = configs[0];
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(x11, window, &attributes) == 0 || attributes.visual == nullptr) return true;
    VisualID wanted = XVisualIDFromVisual(attributes.visual);
    for (EGLint i = 0; i < count; ++i) {
        EGLint visual = 0;
        if (eglGetConfigAttrib(eglDisplay, configs[i], EGL_NATIVE_VISUAL_ID, &visual) &&
            static_cast<VisualID>(visual) == wanted) {
            *chosen = configs[i];
            break;
        }
    }
    return true;
}

void deliver(const WindowEvent& event) {
    if (eventHandler != nullptr) eventHandler(event);
}

void deliverCharacter(char c) {
    WindowEvent event{WindowEvent::Kind::character};
    event.character = c;
    deliver(event);
}

struct TimeKeyBinding {
    SDL_Keycode sdl;
    TimeKey key;
};

constexpr TimeKeyBinding timeKeyBindings[] = {
    {SDLK_SPACE, TimeKey::playPause},    {SDLK_LEFT, TimeKey::back},         {SDLK_RIGHT, TimeKey::forward},
    {SDLK_PAGEUP, TimeKey::previousMark}, {SDLK_PAGEDOWN, TimeKey::nextMark}, {SDLK_HOME, TimeKey::start},
};

bool deliverTimeKey(const SDL_KeyboardEvent& key) {
    for (const TimeKeyBinding& binding : timeKeyBindings) {
        if (binding.sdl != key.keysym.sym) continue;
        WindowEvent event{WindowEvent::Kind::timeKey};
        event.timeKey = binding.key;
        if (key.keysym.mod & KMOD_SHIFT) event.keyFlags |= keyFlagShift;
        if (key.keysym.mod & KMOD_CTRL) event.keyFlags |= keyFlagControl;
        deliver(event);
        return true;
    }
    return false;
}

// F1 to F12 have consecutive key codes.
bool deliverFunctionKey(const SDL_KeyboardEvent& key) {
    if (key.keysym.sym < SDLK_F1 || key.keysym.sym > SDLK_F12) return false;
    if (key.repeat != 0) return true;
    WindowEvent event{WindowEvent::Kind::functionKey};
    event.functionKey = static_cast<int>(key.keysym.sym - SDLK_F1) + 1;
    deliver(event);
    return true;
}

// Keys that type a control character rather than text, the time keys and
// the function keys.
void deliverKeyDown(const SDL_KeyboardEvent& key) {
    if (deliverTimeKey(key) || deliverFunctionKey(key)) return;
    switch (key.keysym.sym) {
        case SDLK_ESCAPE: deliverCharacter(27); return;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: deliverCharacter(13); return;
        case SDLK_TAB: deliverCharacter(9); return;
        case SDLK_BACKSPACE: deliverCharacter(8); return;
        default: break;
    }
    bool control = (key.keysym.mod & KMOD_CTRL) != 0;
    if (control && key.keysym.sym >= SDLK_a && key.keysym.sym <= SDLK_z)
        deliverCharacter(static_cast<char>(key.keysym.sym - SDLK_a + 1));
}

unsigned keyFlags(Uint32 buttons) {
    unsigned flags = 0;
    if (buttons & SDL_BUTTON_LMASK) flags |= keyFlagLeftButton;
    if (buttons & SDL_BUTTON_RMASK) flags |= keyFlagRightButton;
    if (buttons & SDL_BUTTON_MMASK) flags |= keyFlagMiddleButton;
    if (buttons & SDL_BUTTON_X1MASK) flags |= keyFlagExtraButton1;
    if (buttons & SDL_BUTTON_X2MASK) flags |= keyFlagExtraButton2;
    SDL_Keymod mods = SDL_GetModState();
    if (mods & KMOD_SHIFT) flags |= keyFlagShift;
    if (mods & KMOD_CTRL) flags |= keyFlagControl;
    return flags;
}

void deliverResize() {
    WindowEvent event{WindowEvent::Kind::resize};
    SDL_GetWindowSizeInPixels(mainWindow, &event.width, &event.height);
    deliver(event);
}

struct ButtonBinding {
    Uint8 sdl;
    PointerButton button;
};

constexpr ButtonBinding buttonBindings[] = {
    {SDL_BUTTON_LEFT, PointerButton::left},
    {SDL_BUTTON_RIGHT, PointerButton::right},
    {SDL_BUTTON_MIDDLE, PointerButton::middle},
};

void deliverButton(const SDL_MouseButtonEvent& sdl) {
    for (const ButtonBinding& binding : buttonBindings) {
        if (binding.sdl != sdl.button) continue;
        WindowEvent event{WindowEvent::Kind::pointerButton};
        event.button = binding.button;
        event.pressed = sdl.state == SDL_PRESSED;
        event.x = sdl.x;
        event.y = sdl.y;
        deliver(event);
        return;
    }
}

void deliverWheel(const SDL_MouseWheelEvent& sdl) {
    WindowEvent event{WindowEvent::Kind::wheel};
    const float sign = sdl.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0f : 1.0f;
    event.wheelX = sign * sdl.preciseX;
    event.wheelY = sign * sdl.preciseY;
    deliver(event);
}

void handle(const SDL_Event& sdl) {
    switch (sdl.type) {
        case SDL_QUIT: deliver(WindowEvent{WindowEvent::Kind::closeRequest}); break;
        case SDL_WINDOWEVENT:
            if (sdl.window.event == SDL_WINDOWEVENT_CLOSE) deliver(WindowEvent{WindowEvent::Kind::closeRequest});
            if (sdl.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) deliverResize();
            if (sdl.window.event == SDL_WINDOWEVENT_LEAVE) deliver(WindowEvent{WindowEvent::Kind::pointerLeave});
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: deliverButton(sdl.button); break;
        case SDL_MOUSEWHEEL: deliverWheel(sdl.wheel); break;
        case SDL_KEYDOWN: deliverKeyDown(sdl.key); break;
        case SDL_TEXTINPUT:
            for (const char* c = sdl.text.text; *c != '\0'; ++c) deliverCharacter(*c);
            break;
        case SDL_MOUSEMOTION: {
            WindowEvent event{WindowEvent::Kind::pointerMove};
            event.keyFlags = keyFlags(sdl.motion.state);
            event.x = sdl.motion.x;
            event.y = sdl.motion.y;
            deliver(event);
            break;
        }
        default: break;
    }
}

// The framed window a layout asks for on `screen`.
SDL_Rect framedRect(const WindowLayout& layout, const SDL_Rect& screen) {
    SDL_Rect rect{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, layout.width, layout.height};
    if (layout.width <= 0 || layout.height <= 0) {
        // Demos are made for 16:9; half the width leaves the other half to
        // the editor the window is opened to watch.
        rect.w = screen.w / 2;
        rect.h = rect.w * 9 / 16;
        rect.x = screen.x + screen.w - rect.w;
        rect.y = screen.y;
    }
    if (layout.placed) {
        rect.x = layout.x;
        rect.y = layout.y;
    }
    return rect;
}

// Whether a window manager runs that makes windows full screen when asked
// (EWMH _NET_WM_STATE_FULLSCREEN). It then also gives the framed window back
// where it was; without one, the window is moved and sized by hand.
bool windowManagerDoesFullScreen() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(mainWindow, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    Display* x11 = info.info.x11.display;
    const Window root = DefaultRootWindow(x11);
    auto property = [&](const char* name, Atom type, std::vector<unsigned long>& values) {
        Atom atom = XInternAtom(x11, name, True);
        Atom actualType = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (atom == None || XGetWindowProperty(x11, root, atom, 0, 1024, False, type, &actualType, &format, &count,
                                               &after, &data) != Success)
            return false;
        if (data != nullptr && format == 32) {
            auto* items = reinterpret_cast<unsigned long*>(data);
            values.assign(items, items + count);
        }
        if (data != nullptr) XFree(data);
        return !values.empty();
    };
    std::vector<unsigned long> checks;
    std::vector<unsigned long> supported;
    if (!property("_NET_SUPPORTING_WM_CHECK", XA_WINDOW, checks) || !property("_NET_SUPPORTED", XA_ATOM, supported))
        return false;
    const Atom fullScreen = XInternAtom(x11, "_NET_WM_STATE_FULLSCREEN", True);
    for (unsigned long atom : supported)
        if (atom == fullScreen) return true;
    return false;
}

// Switches the laid-out window's form; the window may still be hidden.
void switchForm(bool fullScreen) {
    fullScreenNow = fullScreen;
    if (fullScreen) {
        fullScreenByWindowManager = windowManagerDoesFullScreen();
        if (fullScreenByWindowManager) {
            SDL_SetWindowFullscreen(mainWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
            return;
        }
        // What the plain player's window is: borderless over the screen.
        SDL_GetWindowPosition(mainWindow, &framedPlace.x, &framedPlace.y);
        SDL_GetWindowSize(mainWindow, &framedPlace.w, &framedPlace.h);
        SDL_Rect screen{0, 0, framedPlace.w, framedPlace.h};
        SDL_GetDisplayBounds(0, &screen);
        SDL_SetWindowBordered(mainWindow, SDL_FALSE);
        SDL_SetWindowPosition(mainWindow, screen.x, screen.y);
        SDL_SetWindowSize(mainWindow, screen.w, screen.h);
        return;
    }
    if (fullScreenByWindowManager) {
        SDL_SetWindowFullscreen(mainWindow, 0);
        return;
    }
    SDL_SetWindowBordered(mainWindow, SDL_TRUE);
    SDL_SetWindowSize(mainWindow, framedPlace.w, framedPlace.h);
    SDL_SetWindowPosition(mainWindow, framedPlace.x, framedPlace.y);
}

// The window a layout asks for, made framed and hidden, switched to full
// screen when asked, then shown.
SDL_Window* createLaidOutWindow(const char* title, const WindowLayout& layout, const SDL_Rect& screen) {
    laidOut = true;
    SDL_Rect framed = framedRect(layout, screen);
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN;
    if (layout.onTop) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    mainWindow = SDL_CreateWindow(title, framed.x, framed.y, framed.w, framed.h, flags);
    if (mainWindow == nullptr) return nullptr;
    if (layout.fullScreen) switchForm(true);
    SDL_ShowWindow(mainWindow);
    return mainWindow;
}

}  // namespace

void initDisplay(const char* title, WindowEventHandler handler, int* width, int* height,
                 const WindowLayout* layout) {
    eventHandler = handler;
    setMessageBoxPresenter(showBox);

    // Only a real X11 window can carry our EGL surface; never let SDL fall
    // back to an offscreen or dummy driver.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    SDL_Rect screen{0, 0, 640, 320};
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || SDL_GetDisplayBounds(0, &screen) != 0 ||
        (mainWindow = layout != nullptr ? createLaidOutWindow(title, *layout, screen)
                                        : SDL_CreateWindow(title, screen.x, screen.y, screen.w, screen.h,
                                                           SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN)) == nullptr ||
        !SDL_GetWindowWMInfo(mainWindow, &info) || info.subsystem != SDL_SYSWM_X11) {
        fatal("Could not get EGL display");
    }
    Display* x11 = info.info.x11.display;
    Window window = info.info.x11.window;
    XSetIOErrorHandler(onConnectionLost);
    watchDisplayConnection(ConnectionNumber(x11), &displayLostHandler);

    eglDisplay = eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, x11, nullptr);
    if (eglDisplay == EGL_NO_DISPLAY) fatal("Could not get EGL display");
    if (!eglInitialize(eglDisplay, nullptr, nullptr)) fatal("Could not initialize EGL");
    if (!eglBindAPI(EGL_OPENGL_ES_API)) fatal("Could not initialize EGL");
    EGLConfig config = nullptr;
    if (!chooseConfig(x11, window, &config)) fatal("Could not choose config?!");
    eglSurface = eglCreateWindowSurface(eglDisplay, config, static_cast<EGLNativeWindowType>(window), nullptr);
    if (eglSurface == EGL_NO_SURFACE) fatal("Could not create Egl WIN surface");
    eglContext = eglCreateContext(eglDisplay, config, EGL_NO_CONTEXT, contextAttributes);
    if (eglContext == EGL_NO_CONTEXT) fatal("Could not create EGL context");
    if (!eglMakeCurrent(eglDisplay, eglSurface, eglSurface, eglContext)) fatal("Could not make current");

    SDL_GetWindowSizeInPixels(mainWindow, width, height);
}

void setDisplayLostHandler(DisplayLostHandler handler) { displayLostHandler = handler; }

void setFullScreen(bool fullScreen) {
    if (!laidOut || mainWindow == nullptr || fullScreen == fullScreenNow) return;
    switchForm(fullScreen);
}

bool isFullScreen() { return !laidOut || fullScreenNow; }

void pumpMessages() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) handle(event);
}

void swapBuffers() { eglSwapBuffers(eglDisplay, eglSurface); }

}  // namespace quadrelume::platform
