// An OpenGL ES 2.0 context without any window system, drawing into an
// offscreen framebuffer: what a program that renders frames to files needs
// instead of the player's window. Works with DISPLAY unset.
#pragma once

namespace quadrelume::platform {

// Creates the EGL display, an OpenGL ES 2.0 context and, on it, a framebuffer
// object of width x height RGB pixels (no alpha channel, like the player's
// window on the usual 24-bit X display, so that blending by the destination's
// alpha sees 1), makes them current on the calling thread and sets the
// viewport to the whole framebuffer. The display comes from Mesa's
// surfaceless platform, or else from the first EGL device that gives one
// (GPU drivers without Mesa). Each step that fails is fatal with its own
// message; with no usable EGL at all that is "Could not get EGL display".
// Call once per process, before any GL call.
void initHeadlessGl(int width, int height);

// The largest width and height the context's framebuffer may have: the
// smallest of GL's limits on textures, renderbuffers and viewports. Needs the
// context, so it creates one (without a framebuffer) when initHeadlessGl has
// not run yet; initHeadlessGl then reuses it.
int maximumHeadlessSize();

// Waits for the drawing so far and copies the framebuffer into `rgba`: width
// x height pixels of 4 bytes (alpha 255), rows packed without gaps, bottom
// row first as GL numbers them.
void readHeadlessPixels(unsigned char* rgba);

}  // namespace quadrelume::platform
