// libFuzzer target over the PNG decoding path of textures: everything
// loadTexture does before the GL upload (decodeTextureImage). Fatal cases
// unwind through a throwing fatal handler; the sanitizers see any read past
// the file's bytes, any leak of libpng's records and any fault.
//
// Most mutations break a chunk CRC, which libpng rejects before looking
// further, so each input is decoded as it is and once more with every CRC
// made to fit. When the corpus directory given on the command line is empty,
// it is seeded with small images of every kind first.
#include <GLES2/gl2.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/fatal.h"
#include "reload/file_data.h"
#include "render/texture_image.h"
#include "support/png_writer.h"

namespace {

struct FatalError {
    std::string message;
};

[[noreturn]] void throwFatal(const std::string& message) { throw FatalError{message}; }

void decode(const std::string& bytes) {
    const quadrelume::FileData file(bytes);
    try {
        std::optional<quadrelume::TextureImage> image = quadrelume::decodeTextureImage(file);
        if (!image) return;
        const std::size_t channels = image->format == GL_LUMINANCE ? 1 : image->format == GL_LUMINANCE_ALPHA ? 2
                                     : image->format == GL_RGB ? 3 : 4;
        if (image->width < 1 || image->height < 1 ||
            image->pixels.size() != channels * static_cast<std::size_t>(image->width) * image->height)
            __builtin_trap();
        // Touch every byte, so that the sanitizers check all of them.
        unsigned sum = 0;
        for (std::uint8_t byte : image->pixels) sum += byte;
        volatile unsigned sink = sum;
        (void)sink;
    } catch (const FatalError& error) {
        if (error.message.empty()) __builtin_trap();
    }
}

// Small images of every colour type, depth and interlacing, with a pattern
// so that the filters have something to do.
void writeSeeds(const std::string& directory) {
    struct Seed {
        int width, height, bitDepth, colourType;
        bool interlaced;
    };
    const Seed seeds[] = {
        {1, 1, 8, 0, false}, {3, 2, 8, 0, false},  {2, 3, 8, 4, false},  {3, 2, 8, 2, false},
        {2, 2, 8, 6, false}, {5, 5, 8, 6, true},   {17, 9, 8, 2, false}, {4, 4, 8, 3, false},
        {4, 4, 4, 3, false}, {8, 2, 1, 0, false},  {2, 2, 16, 6, false}, {3, 3, 16, 0, true},
    };
    int index = 0;
    for (const Seed& seed : seeds) {
        const int samples = seed.colourType == 2 ? 3 : seed.colourType == 4 ? 2 : seed.colourType == 6 ? 4 : 1;
        const int rowBytes = (seed.width * samples * seed.bitDepth + 7) / 8;
        quadrelume::testing::PngImage image{seed.width, seed.height, seed.bitDepth, seed.colourType,
                                            seed.interlaced, {}};
        for (int i = 0; i < rowBytes * seed.height; ++i) image.pixels.push_back(static_cast<std::uint8_t>(i * 37));
        if (seed.colourType == 3 && seed.bitDepth == 8)
            for (auto& p : image.pixels) p %= 16;
        std::ofstream(directory + "/seed" + std::to_string(index++) + ".png", std::ios::binary)
            << quadrelume::testing::encodePng(image);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    quadrelume::setFatalHandler(throwFatal);
    for (int i = 1; i < *argc; ++i) {
        const std::string argument = (*argv)[i];
        std::error_code error;
        if (argument.empty() || argument[0] == '-' || !std::filesystem::is_directory(argument, error)) continue;
        if (std::filesystem::is_empty(argument, error)) writeSeeds(argument);
        break;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    decode(bytes);
    const std::string fitted = quadrelume::testing::withFittingCrcs(bytes);
    if (fitted != bytes) decode(fitted);
    return 0;
}
