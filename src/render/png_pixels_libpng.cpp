// The programs' PNG decoder: libpng, reading from memory.
#include <png.h>

#include <cstring>

#include "platform/fatal.h"
#include "render/png_pixels.h"
#include "render/texture_image.h"

namespace quadrelume {
namespace {

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

}  // namespace

std::optional<PngPixels> decodePngPixels(const FileData& file) {
    PngRecords records;
    records.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (records.png == nullptr) fatal("png read create err");
    records.info = png_create_info_struct(records.png);
    if (records.info == nullptr) fatal("png info create err");
    PngSource source{&file, 0};
    if (!readWholeImage(records.png, records.info, &source)) return std::nullopt;

    PngPixels pixels;
    pixels.width = png_get_image_width(records.png, records.info);
    pixels.height = png_get_image_height(records.png, records.info);
    pixels.bitDepth = png_get_bit_depth(records.png, records.info);
    pixels.colourType = png_get_color_type(records.png, records.info);
    pixels.channels = png_get_channels(records.png, records.info);
    pixels.rowBytes = png_get_rowbytes(records.png, records.info);
    pixels.rows.resize(pixels.rowBytes * pixels.height);
    png_bytepp rows = png_get_rows(records.png, records.info);
    for (png_uint_32 y = 0; y < pixels.height; ++y)
        std::memcpy(pixels.rows.data() + pixels.rowBytes * y, rows[y], pixels.rowBytes);
    return pixels;
}

}  // namespace quadrelume
