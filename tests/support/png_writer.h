// Encodes small PNG images in memory, for tests and fuzzing seeds that need
// image files of a chosen kind without an image editor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quadrelume::testing {

// What to encode. `pixels` holds the rows top first, each packed as PNG
// stores it for the colour type and bit depth (16-bit samples big-endian,
// samples below 8 bits packed into bytes, palette images one index per
// sample).
struct PngImage {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colourType = 6;  // PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey-alpha, 6 RGBA
    bool interlaced = false;
    std::vector<std::uint8_t> pixels;
};

// The bytes of a PNG file holding `image`; palette images get a grey ramp as
// their palette. Throws std::runtime_error when libpng rejects the image.
std::string encodePng(const PngImage& image);

// `png` with the CRC of every complete chunk after the signature rewritten
// to fit the chunk's type and data, so that libpng takes edited bytes at
// their word instead of stopping at the first CRC error.
std::string withFittingCrcs(std::string png);

}  // namespace quadrelume::testing
