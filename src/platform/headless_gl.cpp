#include "platform/headless_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES2/gl2.h>

#include <algorithm>

#include "platform/fatal.h"

namespace quadrelume::platform {
namespace {

EGLDisplay eglDisplay = EGL_NO_DISPLAY;
EGLContext eglContext = EGL_NO_CONTEXT;
EGLSurface eglSurface = EGL_NO_SURFACE;  // a 1x1 pbuffer, only where surfaceless contexts are missing

const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
                                   EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                   EGL_BLUE_SIZE,    8,               EGL_NONE};
const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};

// An initialised display that can make an ES 2 context, or EGL_NO_DISPLAY.
EGLDisplay usable(EGLDisplay display) {
    if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
    if (eglInitialize(display, nullptr, nullptr)) return display;
    return EGL_NO_DISPLAY;
}

// The first EGL device that gives a usable display. Mesa's own devices are
// tried too, but the surfaceless platform comes first and normally wins.
EGLDisplay firstDeviceDisplay() {
    auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    if (queryDevices == nullptr) return EGL_NO_DISPLAY;
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    if (!queryDevices(16, devices, &count)) return EGL_NO_DISPLAY;
    for (EGLint i = 0; i < count; ++i) {
        EGLDisplay display = usable(eglGetPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr));
        if (display != EGL_NO_DISPLAY) return display;
    }
    return EGL_NO_DISPLAY;
}

// Makes a context current with no window, creating it on first use.
void ensureContext() {
    if (eglContext != EGL_NO_CONTEXT) return;
    eglDisplay = usable(eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
    if (eglDisplay == EGL_NO_DISPLAY) eglDisplay = firstDeviceDisplay();
    if (eglDisplay == EGL_NO_DISPLAY) fatal("Could not get EGL display");
    if (!eglBindAPI(EGL_OPENGL_ES_API)) fatal("Could not initialize EGL");
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(eglDisplay, configAttributes, &config, 1, &count) || count < 1)
        fatal("Could not choose config?!");
    eglContext = eglCreateContext(eglDisplay, config, EGL_NO_CONTEXT, contextAttributes);
    if (eglContext == EGL_NO_CONTEXT) fatal("Could not create EGL context");
    // Everything is drawn into our own framebuffer object; a context without
    // a surface needs EGL_KHR_surfaceless_context, else a token pbuffer
    // stands in.
    if (eglMakeCurrent(eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, eglContext)) return;
    const EGLint pbufferAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    eglSurface = eglCreatePbufferSurface(eglDisplay, config, pbufferAttributes);
    if (eglSurface == EGL_NO_SURFACE) fatal("Could not create EGL pbuffer surface");
    if (!eglMakeCurrent(eglDisplay, eglSurface, eglSurface, eglContext)) fatal("Could not make current");
}

int framebufferWidth = 0;
int framebufferHeight = 0;

}  // namespace

int maximumHeadlessSize() {
    ensureContext();
    GLint texture = 0;
    GLint renderbuffer = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    return std::min({texture, renderbuffer, viewport[0], viewport[1]});
}

void initHeadlessGl(int width, int height) {
    ensureContext();
    // A colour texture: RGB with unsigned bytes is renderable in every
    // OpenGL ES 2.0, where an RGB8 renderbuffer needs an extension. No depth
    // or stencil buffer: effects switch depth testing off.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);  // effects bind their own textures on unit 0
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        fatal("Could not create an offscreen framebuffer of that size");
    glViewport(0, 0, width, height);
    framebufferWidth = width;
    framebufferHeight = height;
}

void readHeadlessPixels(unsigned char* rgba) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, framebufferWidth, framebufferHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

}  // namespace quadrelume::platform
