#include "capture/png_frames.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

// libpng's error handler must not return; without one of ours, libpng
// prints the message before it jumps back.
[[noreturn]] void quietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The frame number in `name` as `pattern` writes it, or -1.
std::int64_t frameNumber(const std::string& name, const FramePattern& pattern) {
    if (name.size() <= pattern.prefix.size() + pattern.suffix.size() || name.compare(0, pattern.prefix.size(), pattern.prefix) != 0 ||
        name.compare(name.size() - pattern.suffix.size(), pattern.suffix.size(), pattern.suffix) != 0)
        return -1;
    const std::string middle = name.substr(pattern.prefix.size(), name.size() - pattern.prefix.size() - pattern.suffix.size());
    const std::size_t digits = middle.find_first_not_of(' ');
    if (digits == std::string::npos || middle.size() - digits > 18 ||
        middle.find_first_not_of("0123456789", digits) != std::string::npos)
        return -1;
    const std::int64_t number = std::stoll(middle.substr(digits));
    return pattern.fileName(number) == name ? number : -1;
}

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
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, noWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    errno = 0;
    bool written =
        info != nullptr && writeImage(png, info, file, width_, height_, compressionLevel_, rows_.data());
    const int writeError = written ? 0 : errno;  // what made libpng give up
    png_destroy_write_struct(&png, &info);
    errno = 0;
    bool closed = std::fclose(file) == 0;
    const int error = writeError != 0 ? writeError : errno;
    if (!written || !closed)
        throw std::runtime_error("cannot write " + path + (error != 0 ? std::string(": ") + std::strerror(error) : ""));
}

std::int64_t removeFramesFrom(const std::string& folder, const FramePattern& pattern, std::int64_t first) {
    namespace fs = std::filesystem;
    std::int64_t removed = 0;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error) || frameNumber(entry.path().filename().string(), pattern) < first) continue;
        if (fs::remove(entry.path(), error)) ++removed;
    }
    return removed;
}

}  // namespace quadrelume::capture
