// Decoding a PNG file held in memory into pixels ready for a GL texture.
// Kept apart from the upload so that the decoder can run without GL.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "reload/file_data.h"

namespace quadrelume {

// Sides above this are refused before libpng allocates the image's rows.
// No OpenGL ES 2.0 implementation we run on takes a larger texture, and
// libpng reserves every row that the header claims before it reads any data,
// so a header that lies about its sizes would otherwise cost gigabytes.
inline constexpr std::uint32_t maximumImageSide = 16384;

// An 8-bit image in the layout glTexImage2D wants with an unpack alignment
// of 1: rows packed without gaps, the image's bottom row first, so that
// texture coordinate (0, 0) is the lower-left pixel.
struct TextureImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t format = 0;  // GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB or GL_RGBA
    bool hasAlpha = false;     // grey-with-alpha and RGBA
    std::vector<std::uint8_t> pixels;
};

// Decodes the PNG bytes of `file` without transforms (decodePngPixels: with
// libpng in the programs) and prints "%d x %d ...", "bit per chan:%d" and
// "coltype:%d". Nothing when the decoder reports an error (libpng prints
// "libpng error: %s" on standard error: truncated or corrupt data, a bad
// signature, a side above maximumImageSide) or when the colour type has no
// GL format (palette). Fatal for a bit depth other than 8, and for channel
// counts or row sizes that do not fit the colour type. Never reads outside
// the file's bytes.
std::optional<TextureImage> decodeTextureImage(const FileData& file);

}  // namespace quadrelume
