// The pixel format of the images that effects draw into: half floats where
// the GL can draw into them, so that a slow fade reaches black, else 8 bits.
#pragma once

#include <string_view>

namespace quadrelume {

enum class BufferFormat {
    halfFloat,  // RGBA, 16-bit float channels (OES_texture_half_float)
    rgba8,      // RGBA, 8-bit channels, which every GLES2 can draw into
};

// The format a GL whose extension string is `extensions` (space-separated
// names, with or without the "GL_" prefix) can draw buffers in: half floats
// when it names OES_texture_half_float, OES_texture_half_float_linear (for
// linear filtering) and EXT_color_buffer_half_float (to draw into them),
// else 8 bits. When it is 8 bits, `missing` (may be null) receives the
// first of those names it lacks.
BufferFormat chooseBufferFormat(std::string_view extensions, std::string_view* missing = nullptr);

// The format of this process's buffers, chosen from the current context's
// extensions on the first call (with the GL context current). When that is
// 8 bits, standard error says so once, and why.
BufferFormat bufferFormat();

// Falls back to 8 bits for the rest of the process, saying so once on
// standard error with `why`: for a GL that names the extensions and still
// cannot complete a framebuffer of half floats.
void fallBackToEightBits(std::string_view why);

// Bytes of GPU memory one pixel of `format` takes.
int bytesPerPixel(BufferFormat format);

// How the format reads in the overlay and in messages: "half float", "8-bit".
const char* formatName(BufferFormat format);

}  // namespace quadrelume
