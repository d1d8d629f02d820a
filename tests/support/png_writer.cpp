#include "support/png_writer.h"

#include <png.h>

#include <stdexcept>

namespace quadrelume::testing {
namespace {

// libpng reports errors by longjmp to the setjmp in writeImage, so the
// frames it jumps over (this callback and libpng's own) hold plain data only.
void appendToString(png_structp png, png_bytep bytes, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(bytes), length);
}

void flushNothing(png_structp) {}

// Writes `image` through `png`, whose output goes to `out`. False when
// libpng reported an error. Only plain data lives in this frame.
bool writeImage(png_structp png, png_infop info, const PngImage& image, std::string* out, png_bytep* rows,
                png_colorp palette) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, appendToString, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
                 image.bitDepth, image.colourType, image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image.colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, 1 << image.bitDepth);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

// CRC-32 as PNG chunks use it, over bytes [from, from + length).
std::uint32_t chunkCrc(const std::string& bytes, std::size_t from, std::size_t length) {
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = from; i < from + length; ++i) {
        crc ^= static_cast<std::uint8_t>(bytes[i]);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

std::uint32_t bigEndianAt(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

}  // namespace

std::string encodePng(const PngImage& image) {
    if (image.width < 1 || image.height < 1 || image.pixels.size() % static_cast<std::size_t>(image.height) != 0)
        throw std::runtime_error("encodePng: pixels do not fill the rows");
    const std::size_t rowBytes = image.pixels.size() / static_cast<std::size_t>(image.height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < image.height; ++y)
        rows.push_back(const_cast<png_bytep>(image.pixels.data()) + rowBytes * static_cast<std::size_t>(y));
    std::vector<png_color> palette(256);
    for (int i = 0; i < 256; ++i) {
        png_byte level = static_cast<png_byte>(i);
        palette[static_cast<std::size_t>(i)] = png_color{level, level, level};
    }

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::string out;
    bool written = info != nullptr && writeImage(png, info, image, &out, rows.data(), palette.data());
    png_destroy_write_struct(&png, &info);
    if (!written) throw std::runtime_error("encodePng: libpng rejected the image");
    return out;
}

std::string withFittingCrcs(std::string png) {
    // Chunks: length (4), type (4), data (length), CRC over type and data (4).
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = bigEndianAt(png, at);
        if (length > png.size() - at - 12) break;
        const std::uint32_t crc = chunkCrc(png, at + 4, length + 4);
        for (std::size_t i = 0; i < 4; ++i) png[at + 8 + length + i] = static_cast<char>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
    return png;
}

}  // namespace quadrelume::testing
