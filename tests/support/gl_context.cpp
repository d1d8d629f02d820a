#include "support/gl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES2/gl2.h>

#include <stdexcept>
#include <string>

namespace quadrelume::testing {
namespace {

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string("headless GL: ") + what + " failed, EGL error " +
                             std::to_string(eglGetError()));
}

}  // namespace

GlContext::GlContext(int width, int height) : width_(width), height_(height) {
    display_ = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY) fail("eglGetPlatformDisplay");
    if (!eglInitialize(display_, nullptr, nullptr)) fail("eglInitialize");
    if (!eglBindAPI(EGL_OPENGL_ES_API)) fail("eglBindAPI");
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
                                       EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                       EGL_BLUE_SIZE,    8,               EGL_ALPHA_SIZE,      8,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display_, configAttributes, &config, 1, &count) || count < 1) fail("eglChooseConfig");
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display_, config, surfaceAttributes);
    if (surface_ == EGL_NO_SURFACE) fail("eglCreatePbufferSurface");
    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, contextAttributes);
    if (context_ == EGL_NO_CONTEXT) fail("eglCreateContext");
    if (!eglMakeCurrent(display_, surface_, surface_, context_)) fail("eglMakeCurrent");
    glViewport(0, 0, width, height);
}

GlContext::~GlContext() {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != nullptr) eglDestroyContext(display_, context_);
    if (surface_ != nullptr) eglDestroySurface(display_, surface_);
    // The display stays initialised: terminating it unloads the driver,
    // whose allocations would then read as leaks of unknown origin to the
    // leak checker of sanitizer builds. A later context reuses it.
    eglReleaseThread();
}

Rgba GlContext::pixel(int x, int y) const {
    Rgba rgba{};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

}  // namespace quadrelume::testing
