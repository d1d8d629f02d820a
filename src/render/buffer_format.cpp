#include "render/buffer_format.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

namespace quadrelume {
namespace {

// What half-float buffers need, in the order the message names a lack.
constexpr std::string_view halfFloatNeeds[] = {
    "OES_texture_half_float",
    "OES_texture_half_float_linear",
    "EXT_color_buffer_half_float",
};

bool names(std::string_view extensions, std::string_view wanted) {
    std::size_t at = 0;
    while (at < extensions.size()) {
        const std::size_t end = std::min(extensions.find(' ', at), extensions.size());
        std::string_view name = extensions.substr(at, end - at);
        if (name.substr(0, 3) == "GL_") name.remove_prefix(3);
        if (name == wanted) return true;
        at = end + 1;
    }
    return false;
}

std::optional<BufferFormat>& chosen() {
    static std::optional<BufferFormat> format;
    return format;
}

void sayEightBits(std::string_view why) {
    std::fflush(stdout);
    std::fprintf(stderr,
                 "quadrelume: buffers have 8 bits per channel here (%.*s), so a slow fade in a feedback buffer "
                 "stops short of black\n",
                 static_cast<int>(why.size()), why.data());
}

}  // namespace

BufferFormat chooseBufferFormat(std::string_view extensions, std::string_view* missing) {
    for (std::string_view need : halfFloatNeeds) {
        if (names(extensions, need)) continue;
        if (missing != nullptr) *missing = need;
        return BufferFormat::rgba8;
    }
    return BufferFormat::halfFloat;
}

BufferFormat bufferFormat() {
    if (chosen()) return *chosen();
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    std::string_view missing;
    chosen() = chooseBufferFormat(text != nullptr ? text : "", &missing);
    if (*chosen() == BufferFormat::rgba8) sayEightBits("this GL lacks " + std::string(missing));
    return *chosen();
}

void fallBackToEightBits(std::string_view why) {
    if (chosen() == BufferFormat::rgba8) return;
    chosen() = BufferFormat::rgba8;
    sayEightBits(why);
}

int bytesPerPixel(BufferFormat format) { return format == BufferFormat::halfFloat ? 8 : 4; }

const char* formatName(BufferFormat format) { return format == BufferFormat::halfFloat ? "half float" : "8-bit"; }

}  // namespace quadrelume
