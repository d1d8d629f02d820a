#include "render/texture_image.h"

#include <GLES2/gl2.h>
#include <png.h>

#include <cstdio>
#include <cstring>

#include "platform/fatal.h"

namespace quadrelume {
namespace {

// The GL format of each usable PNG colour type.
struct ColourFormat {
    int colourType;
    png_byte channels;
    const char* channelMismatch;
    std::uint32_t glFormat;
    bool hasAlpha;
};

constexpr ColourFormat colourFormats[] = {
    {PNG_COLOR_TYPE_GRAY, 1, "not 1 channel in gray image", GL_LUMINANCE, false},
    {PNG_COLOR_TYPE_RGB, 3, "not 3 channels in RGB image", GL_RGB, false},
    {PNG_COLOR_TYPE_GRAY_ALPHA, 2, "not 2 channels in GrayAlpha image", GL_LUMINANCE_ALPHA, true},
    {PNG_COLOR_TYPE_RGB_ALPHA, 4, "not 4 channels in RGBA image", GL_RGBA, true},
};

// Where libpng's reads come from.
struct PngSource {
    const FileData* file;
    std::uint32_t offset;
};

// libpng's read callback. png_error does not return: it prints and
// longjmps to readWholeImage, so this frame holds plain data only.
void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    // Compared as "what is left", so that no sum can wrap around.
    const std::size_t left = static_cast<std::size_t>(source->file->size) - source->offset;
    if (length > left) png_error(png, "premature eof");
    std::memcpy(out, source->file->data + source->offset, length);
    source->offset += static_cast<std::uint32_t>(length);
}

// Decodes the whole image into `info`. False after a libpng error. Every
// frame between here and a longjmp (this one, libpng's, readFromMemory) holds
// only plain data, so the jump skips no destructor; the caller owns the
// records and destroys them either way.
bool readWholeImage(png_structp png, png_infop info, PngSource* source) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, source, readFromMemory);
    png_set_sig_bytes(png, 0);
    png_set_user_limits(png, maximumImageSide, maximumImageSide);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

// libpng's read and info records, destroyed with their owner.
struct PngRecords {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngRecords() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
};

const ColourFormat* formatOf(int colourType) {
    for (const ColourFormat& format : colourFormats)
        if (format.colourType == colourType) return &format;
    return nullptr;
}

}  // namespace

std::optional<TextureImage> decodeTextureImage(const FileData& file) {
    PngRecords records;
    records.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (records.png == nullptr) fatal("png read create err");
    records.info = png_create_info_struct(records.png);
    if (records.info == nullptr) fatal("png info create err");
    PngSource source{&file, 0};
    if (!readWholeImage(records.png, records.info, &source)) return std::nullopt;

    const png_uint_32 width = png_get_image_width(records.png, records.info);
    const png_uint_32 height = png_get_image_height(records.png, records.info);
    const int bitDepth = png_get_bit_depth(records.png, records.info);
    if (bitDepth != 8) fatal("Only supporting 8bit per channel formats right now");
    const int colourType = png_get_color_type(records.png, records.info);
    std::printf("%d x %d ...\n", static_cast<int>(width), static_cast<int>(height));
    std::printf("bit per chan:%d\n", bitDepth);
    std::printf("coltype:%d\n", colourType);

    const std::size_t rowBytes = png_get_rowbytes(records.png, records.info);
    const png_byte channels = png_get_channels(records.png, records.info);
    const ColourFormat* format = formatOf(colourType);
    if (format == nullptr) return std::nullopt;
    if (channels != format->channels) fatal(format->channelMismatch);
    // Sizes in size_t: the product of the header's numbers must not wrap.
    const std::size_t packedRow = static_cast<std::size_t>(channels) * width;
    if (packedRow != rowBytes) fatal("some kind of internal error when loading png");

    TextureImage image;
    image.width = static_cast<std::int32_t>(width);
    image.height = static_cast<std::int32_t>(height);
    image.format = format->glFormat;
    image.hasAlpha = format->hasAlpha;
    image.pixels.resize(packedRow * height);
    png_bytepp rows = png_get_rows(records.png, records.info);
    for (png_uint_32 y = 0; y < height; ++y)
        std::memcpy(image.pixels.data() + packedRow * y, rows[height - 1 - y], packedRow);
    return image;
}

}  // namespace quadrelume
