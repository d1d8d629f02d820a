// A headless OpenGL ES 2.0 context for tests that draw: Mesa's surfaceless
// EGL platform with an offscreen pbuffer, so no display or X server is needed.
#pragma once

#include <EGL/egl.h>

#include <array>
#include <cstdint>

namespace quadrelume::testing {

// One RGBA8 pixel as glReadPixels gives it.
using Rgba = std::array<std::uint8_t, 4>;

class GlContext {
public:
    // Creates an ES 2 context on a width x height RGBA8 pbuffer (with
    // destination alpha, which blending by GL_DST_ALPHA needs) and makes it
    // current on this thread; the viewport covers the pbuffer. Throws
    // std::runtime_error when EGL cannot provide one.
    GlContext(int width, int height);
    // Destroys the context and the surface. The display stays initialised
    // for the rest of the process and serves the next GlContext.
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    // The pixel at (x, y) of the pbuffer, GL's origin: y = 0 is the bottom row.
    Rgba pixel(int x, int y) const;

private:
    EGLDisplay display_ = nullptr;
    EGLSurface surface_ = nullptr;
    EGLContext context_ = nullptr;
    int width_;
    int height_;
};

}  // namespace quadrelume::testing
