#include "render/texture_image.h"

#include <GLES2/gl2.h>

#include <cstdio>
#include <cstring>

#include "platform/fatal.h"
#include "render/png_pixels.h"

namespace quadrelume {
namespace {

// The GL format of each usable PNG colour type.
struct ColourFormat {
    int colourType;
    int channels;
    const char* channelMismatch;
    std::uint32_t glFormat;
    bool hasAlpha;
};

constexpr ColourFormat colourFormats[] = {
    {0, 1, "not 1 channel in gray image", GL_LUMINANCE, false},
    {2, 3, "not 3 channels in RGB image", GL_RGB, false},
    {4, 2, "not 2 channels in GrayAlpha image", GL_LUMINANCE_ALPHA, true},
    {6, 4, "not 4 channels in RGBA image", GL_RGBA, true},
};

const ColourFormat* formatOf(int colourType) {
    for (const ColourFormat& format : colourFormats)
        if (format.colourType == colourType) return &format;
    return nullptr;
}

}  // namespace

std::optional<TextureImage> decodeTextureImage(const FileData& file) {
    std::optional<PngPixels> png = decodePngPixels(file);
    if (!png) return std::nullopt;
    if (png->bitDepth != 8) fatal("Only supporting 8bit per channel formats right now");
    std::printf("%d x %d ...\n", static_cast<int>(png->width), static_cast<int>(png->height));
    std::printf("bit per chan:%d\n", png->bitDepth);
    std::printf("coltype:%d\n", png->colourType);

    const ColourFormat* format = formatOf(png->colourType);
    if (format == nullptr) return std::nullopt;
    if (png->channels != format->channels) fatal(format->channelMismatch);
    // Sizes in size_t: the product of the header's numbers must not wrap.
    const std::size_t packedRow = static_cast<std::size_t>(png->channels) * png->width;
    if (packedRow != png->rowBytes || png->rows.size() != packedRow * png->height)
        fatal("some kind of internal error when loading png");

    TextureImage image;
    image.width = static_cast<std::int32_t>(png->width);
    image.height = static_cast<std::int32_t>(png->height);
    image.format = format->glFormat;
    image.hasAlpha = format->hasAlpha;
    image.pixels.resize(packedRow * png->height);
    for (std::uint32_t y = 0; y < png->height; ++y)
        std::memcpy(image.pixels.data() + packedRow * y, png->rows.data() + packedRow * (png->height - 1 - y),
                    packedRow);
    return image;
}

}  // namespace quadrelume
