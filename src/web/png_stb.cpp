#include "web/png_stb.h"

#include <cstdio>
#include <cstring>

#include "render/texture_image.h"
#include "web/stb_image_options.h"
#include <stb_image.h>

namespace quadrelume {
namespace {

constexpr unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// The samples per pixel of each colour type with a GL format.
struct ColourChannels {
    int colourType;
    int channels;
};
constexpr ColourChannels colourChannels[] = {{0, 1}, {2, 3}, {4, 2}, {6, 4}};

std::uint32_t bigEndian(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           std::uint32_t{bytes[3]};
}

std::optional<PngPixels> refuse(const char* why) {
    std::fprintf(stderr, "PNG error: %s\n", why);
    return std::nullopt;
}

}  // namespace

std::optional<PngPixels> readPngWithStbImage(const FileData& file) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data);
    // The signature, then the IHDR chunk: its length (13), type, width,
    // height, bit depth, colour type, and three more bytes.
    if (file.size < 29 || std::memcmp(bytes, signature, 8) != 0) return refuse("not a PNG file");
    if (bigEndian(bytes + 8) != 13 || std::memcmp(bytes + 12, "IHDR", 4) != 0) return refuse("IHDR missing");
    PngPixels pixels;
    pixels.width = bigEndian(bytes + 16);
    pixels.height = bigEndian(bytes + 20);
    pixels.bitDepth = bytes[24];
    pixels.colourType = bytes[25];
    if (pixels.width == 0 || pixels.height == 0) return refuse("an image without pixels");
    if (pixels.width > maximumImageSide || pixels.height > maximumImageSide) return refuse("image too large");
    const ColourChannels* kind = nullptr;
    for (const ColourChannels& entry : colourChannels)
        if (entry.colourType == pixels.colourType) kind = &entry;
    pixels.channels = kind != nullptr ? kind->channels : 1;
    pixels.rowBytes = (static_cast<std::size_t>(pixels.channels) * pixels.width * pixels.bitDepth + 7) / 8;
    // The rules refuse these whatever their pixels are.
    if (pixels.bitDepth != 8 || kind == nullptr) return pixels;

    int width = 0;
    int height = 0;
    int channelsInFile = 0;
    stbi_uc* decoded = stbi_load_from_memory(bytes, file.size, &width, &height, &channelsInFile, kind->channels);
    if (decoded == nullptr) return refuse(stbi_failure_reason());
    pixels.rows.assign(decoded, decoded + pixels.rowBytes * pixels.height);
    stbi_image_free(decoded);
    return pixels;
}

}  // namespace quadrelume
