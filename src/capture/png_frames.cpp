#include "capture/png_frames.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace quadrelume::capture {
namespace {

// Writes the image through `png` into `file`. libpng reports errors by
// longjmp back here, so this frame and the ones jumped over hold plain data
// only. False after an error.
bool writeImage(png_structp png, png_infop info, std::FILE* file, int width, int height, int level,
                const std::uint8_t* const* rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_compression_level(png, level);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The rows hold RGBA; the filler setting has libpng drop the alpha byte
    // (always 255: the framebuffer has no alpha channel).
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_rows(png, const_cast<png_bytepp>(reinterpret_cast<const png_byte* const*>(rows)),
                   static_cast<png_uint_32>(height));
    png_write_end(png, nullptr);
    return true;
}

// libpng's messages become the exception's; nothing goes to standard error.
void noWarning(png_structp, png_const_charp) {}

}  // namespace

PngFrames::PngFrames(std::string folder, FramePattern pattern, int width, int height, int compressionLevel)
    : folder_(std::move(folder)),
      pattern_(std::move(pattern)),
      width_(width),
      height_(height),
      compressionLevel_(compressionLevel),
      rows_(static_cast<std::size_t>(height)) {}

void PngFrames::writeFrame(const std::uint8_t* rgba, std::int64_t index) {
    const std::size_t stride = static_cast<std::size_t>(width_) * 4;
    for (int y = 0; y < height_; ++y) rows_[static_cast<std::size_t>(y)] = rgba + stride * (height_ - 1 - y);
    const std::string path = folder_ + "/" + pattern_.fileName(index);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, noWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool written =
        info != nullptr && writeImage(png, info, file, width_, height_, compressionLevel_, rows_.data());
    png_destroy_write_struct(&png, &info);
    errno = 0;
    bool closed = std::fclose(file) == 0;
    if (!written || !closed)
        throw std::runtime_error("cannot write " + path + (errno != 0 ? std::string(": ") + std::strerror(errno) : ""));
}

}  // namespace quadrelume::capture
