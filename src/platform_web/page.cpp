#include "platform_web/page.h"

#include <GLES2/gl2.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/fatal.h"

// Implemented by page.js.
extern "C" {
void quadrelume_page_message(const char* text);
void quadrelume_page_state(const char* state, double shownTime, double framesDrawn);
char* quadrelume_page_fragment();
void quadrelume_page_toggle_full_screen();
}

namespace quadrelume::platform {
namespace {

constexpr const char* canvasSelector = "#canvas";

constexpr const char* halfFloatBufferExtensions[] = {
    "OES_texture_half_float",
    "OES_texture_half_float_linear",
    "EXT_color_buffer_half_float",
};

GestureHandler gestureHandler = nullptr;

// A fatal error on the page: there is no box to show, and no process to end
// but the frames.
void showFatal(const char* caption, const char* text) {
    emscripten_cancel_main_loop();
    quadrelume_page_message(text);
}

EM_BOOL onPointer(int, const void*, void*) {
    if (gestureHandler != nullptr) gestureHandler(Gesture::pointer);
    return EM_FALSE;
}

EM_BOOL onClick(int type, const EmscriptenMouseEvent* event, void* data) { return onPointer(type, event, data); }
EM_BOOL onTouch(int type, const EmscriptenTouchEvent* event, void* data) { return onPointer(type, event, data); }

EM_BOOL onKey(int, const EmscriptenKeyboardEvent* event, void*) {
    // Keys held with a modifier are the browser's shortcuts, not the page's.
    if (event->repeat || event->ctrlKey || event->altKey || event->metaKey) return EM_FALSE;
    const bool fullScreen = std::strcmp(event->key, "f") == 0 || std::strcmp(event->key, "F") == 0;
    if (gestureHandler != nullptr) gestureHandler(fullScreen ? Gesture::fullScreenKey : Gesture::key);
    return fullScreen ? EM_TRUE : EM_FALSE;
}

}  // namespace

void initPageGl() {
    setMessageBoxPresenter(showFatal);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context(canvasSelector, &attributes);
    if (context <= 0) fatal("This browser cannot show the demo: it has no WebGL");
    if (emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS)
        fatal("This browser cannot show the demo: its WebGL context cannot be used");
    // A WebGL extension works only once asked for. These let buffers hold
    // half floats, as they do in the player; a browser without them draws
    // buffers in 8 bits, which render/buffer_format.h tells on the console.
    for (const char* extension : halfFloatBufferExtensions) emscripten_webgl_enable_extension(context, extension);
}

bool fitCanvas(int* width, int* height) {
    double cssWidth = 0.0;
    double cssHeight = 0.0;
    emscripten_get_element_css_size(canvasSelector, &cssWidth, &cssHeight);
    const double ratio = emscripten_get_device_pixel_ratio();
    const int wanted[2] = {std::max(1, static_cast<int>(std::lround(cssWidth * ratio))),
                           std::max(1, static_cast<int>(std::lround(cssHeight * ratio)))};
    int current[2] = {0, 0};
    emscripten_get_canvas_element_size(canvasSelector, &current[0], &current[1]);
    *width = wanted[0];
    *height = wanted[1];
    if (current[0] == wanted[0] && current[1] == wanted[1]) return false;
    emscripten_set_canvas_element_size(canvasSelector, wanted[0], wanted[1]);
    return true;
}

void onGesture(GestureHandler handler) {
    gestureHandler = handler;
    emscripten_set_click_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onClick);
    emscripten_set_touchend_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onTouch);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onKey);
}

void toggleFullScreen() { quadrelume_page_toggle_full_screen(); }

std::string pageFragment() {
    char* text = quadrelume_page_fragment();
    std::string fragment = text != nullptr ? text : "";
    std::free(text);
    return fragment;
}

void showMessage(const std::string& text) { quadrelume_page_message(text.c_str()); }

void setPageState(const char* state, float shownTime, long framesDrawn) {
    quadrelume_page_state(state, shownTime, static_cast<double>(framesDrawn));
}

void runFrames(void (*frame)()) { emscripten_set_main_loop(frame, 0, EM_FALSE); }

}  // namespace quadrelume::platform
