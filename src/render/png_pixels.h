// The seam between the rules a texture's PNG file must follow and the code
// that inflates its pixels: libpng in the programs, a decoder of its own in
// the web player, where there is no libpng. What a file may be, and what is
// made of it, is decided once, by decodeTextureImage, for both.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "reload/file_data.h"

namespace quadrelume {

// A PNG image decoded without transforms: palette images stay indexed,
// 16-bit samples stay 16-bit, grey of fewer than 8 bits stays packed.
struct PngPixels {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;        // as in the file: 0 grey, 2 RGB, 3 palette, 4 grey with alpha, 6 RGBA
    int channels = 0;          // samples per pixel as decoded
    std::size_t rowBytes = 0;  // bytes of one decoded row
    // height rows of rowBytes, the image's top row first. Decoders may leave
    // it empty for images that the rules refuse whatever their pixels are:
    // a bit depth other than 8, or a colour type without a GL format.
    std::vector<std::uint8_t> rows;
};

// Decodes the PNG bytes of `file` whole. Nothing when the decoder finds an
// error (a missing signature, corrupt or truncated data, a side above
// maximumImageSide), which it reports on standard error. Never reads outside
// the file's bytes.
std::optional<PngPixels> decodePngPixels(const FileData& file);

}  // namespace quadrelume
