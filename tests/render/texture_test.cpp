#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "reload/reloadable.h"
#include "render/effect_range.h"
#include "render/texture.h"
#include "render/texture_cache.h"
#include "render/texture_image.h"
#include "render_test_support.h"
#include "script/variable_table.h"

namespace quadrelume {
namespace {

using testing::encodePng;
using testing::GlContext;
using testing::InDirectory;
using testing::near;
using testing::PngImage;
using testing::RenderTest;
using testing::Rgba;
using testing::rgbaPng;
using testing::stderrOf;
using testing::stdoutOf;
using testing::textureShader;

// `png` with the width and height of its header replaced and the header's
// CRC made to fit, so that libpng believes the new sizes.
std::string withClaimedSize(std::string png, std::uint32_t width, std::uint32_t height) {
    // Signature (8), IHDR length and type (8), then width and height.
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<char>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
    return testing::withFittingCrcs(png);
}

// Decodes `bytes` as a texture file would be.
std::optional<TextureImage> decode(const std::string& bytes) { return decodeTextureImage(FileData(bytes)); }

const std::vector<std::uint8_t> corners = {
    255, 0, 0, 255, /**/ 0, 255, 0, 255,     // top row: red, green
    0, 0, 255, 255, /**/ 255, 255, 255, 128,  // bottom row: blue, translucent white
};

TEST(TextureImage, RowsArePackedBottomRowFirst) {
    std::optional<TextureImage> image;
    std::string printed = stdoutOf([&] { image = decode(rgbaPng(2, 2, corners)); });
    EXPECT_EQ(printed, "2 x 2 ...\nbit per chan:8\ncoltype:6\n");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->format, static_cast<std::uint32_t>(GL_RGBA));
    EXPECT_TRUE(image->hasAlpha);
    const std::vector<std::uint8_t> bottomFirst = {0, 0, 255, 255, 255, 255, 255, 128,
                                                   255, 0, 0, 255, 0, 255, 0, 255};
    EXPECT_EQ(image->pixels, bottomFirst);
}

// Each usable colour type: its GL format and what GL samples from it.
struct FormatCase {
    const char* name;
    PngImage png;
    std::uint32_t format;
    bool hasAlpha;
    std::vector<Rgba> expected;  // pixels bottom row first, as glReadPixels counts
};

std::vector<FormatCase> formatCases() {
    return {
        {"tex_grey", {2, 1, 8, 0, false, {0, 200}}, GL_LUMINANCE, false, {{0, 0, 0, 255}, {200, 200, 200, 255}}},
        {"tex_grey_alpha",
         {2, 1, 8, 4, false, {50, 100, 250, 0}},
         GL_LUMINANCE_ALPHA,
         true,
         {{50, 50, 50, 100}, {250, 250, 250, 0}}},
        // Rows of 9 bytes: wrong unless the unpack alignment is 1.
        {"tex_rgb_odd",
         {3, 2, 8, 2, false, {10, 20, 30, 40, 50, 60, 70, 80, 90, /**/ 1, 2, 3, 4, 5, 6, 7, 8, 9}},
         GL_RGB,
         false,
         {{1, 2, 3, 255}, {4, 5, 6, 255}, {7, 8, 9, 255}, {10, 20, 30, 255}, {40, 50, 60, 255}, {70, 80, 90, 255}}},
        {"tex_rgba", {2, 2, 8, 6, false, corners}, GL_RGBA, true,
         {{0, 0, 255, 255}, {255, 255, 255, 128}, {255, 0, 0, 255}, {0, 255, 0, 255}}},
        {"tex_interlaced", {2, 2, 8, 6, true, corners}, GL_RGBA, true,
         {{0, 0, 255, 255}, {255, 255, 255, 128}, {255, 0, 0, 255}, {0, 255, 0, 255}}},
    };
}

class TextureDraw : public RenderTest {};

TEST_F(TextureDraw, EveryColourTypeSamplesAsStored) {
    for (const FormatCase& c : formatCases()) {
        SCOPED_TRACE(c.name);
        // Draw the texture texel for pixel over a viewport of its size, the
        // top-left texel at the top left.
        glViewport(0, 0, c.png.width, c.png.height);
        windowWidth = c.png.width;
        windowHeight = c.png.height;
        save(std::string(c.name) + ".png", encodePng(c.png));
        EffectRange& range = effect(c.name, textureShader(c.name));
        glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
        glClear(GL_COLOR_BUFFER_BIT);
        std::string printed = stdoutOf([&] { range.render(0.0f); });
        EXPECT_NE(printed.find(std::to_string(c.png.width) + " x " + std::to_string(c.png.height) +
                               " ...\nbit per chan:8\ncoltype:" + std::to_string(c.png.colourType) + "\n"),
                  std::string::npos)
            << printed;
        const Texture* texture = textureCache().at(std::string(c.name) + ".png")->object;
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->width, c.png.width);
        EXPECT_EQ(texture->height, c.png.height);
        EXPECT_EQ(texture->hasAlpha, c.hasAlpha);
        for (int y = 0; y < c.png.height; ++y)
            for (int x = 0; x < c.png.width; ++x)
                EXPECT_TRUE(near(gl->pixel(x, y), c.expected[static_cast<std::size_t>(y * c.png.width + x)]))
                    << x << ", " << y;
    }
}

TEST_F(TextureDraw, LoadingLeavesTheTextureBoundWithUnpackAlignmentOne) {
    save("tex_bound.png", rgbaPng(2, 2, corners));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    auto file = loadReloadableFile("tex_bound.png");
    ASSERT_NE(file, nullptr);
    Texture* texture = nullptr;
    stdoutOf([&] { texture = loadTexture(file.get()); });
    ASSERT_NE(texture, nullptr);
    GLint alignment = 0;
    GLint bound = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(alignment, 1);
    EXPECT_EQ(static_cast<GLuint>(bound), texture->glName);
    delete texture;
}

TEST(TextureImage, PrintsTheSizeLinesOfEachLoad) {
    PngImage wide{256, 128, 8, 0, false, std::vector<std::uint8_t>(256 * 128, 7)};
    EXPECT_EQ(stdoutOf([&] { decode(encodePng(wide)); }), "256 x 128 ...\nbit per chan:8\ncoltype:0\n");
}

TEST(TextureImage, AnEightBitPaletteImageGivesNothingAfterItsSizeLines) {
    std::optional<TextureImage> image;
    std::string errors;
    std::string printed = stdoutOf([&] {
        errors = stderrOf([&] { image = decode(encodePng(PngImage{2, 2, 8, 3, false, {0, 1, 2, 3}})); });
    });
    EXPECT_FALSE(image);
    EXPECT_EQ(printed, "2 x 2 ...\nbit per chan:8\ncoltype:3\n");
    EXPECT_EQ(errors, "");
}

// Bit depths other than 8 end the program, whatever the colour type.
struct DepthCase {
    int bitDepth;
    int colourType;
    std::vector<std::uint8_t> pixels;  // 2 x 1 pixels
};

TEST(TextureImageDeath, OnlyEightBitsPerChannelAreSupported) {
    const DepthCase cases[] = {
        {16, 6, std::vector<std::uint8_t>(16, 9)},
        {16, 0, {1, 2, 3, 4}},
        {1, 0, {0x80}},
        {4, 3, {0x12}},
    };
    for (const DepthCase& c : cases) {
        std::string png = encodePng(PngImage{2, 1, c.bitDepth, c.colourType, false, c.pixels});
        EXPECT_EXIT(decode(png), ::testing::ExitedWithCode(255),
                    "^Only supporting 8bit per channel formats right now\n$")
            << c.bitDepth << "-bit colour type " << c.colourType;
    }
}

TEST(TextureImage, BrokenFilesGiveNothingAndTheLibpngError) {
    const std::string complete = rgbaPng(2, 2, corners);
    std::string corruptData = complete;
    corruptData[complete.size() - 20] ^= 0x55;  // zlib's checksum at the end of the image data
    std::string corruptHeader = complete;
    corruptHeader[29] ^= 0x55;  // the header's CRC
    struct BrokenCase {
        const char* what;
        std::string bytes;
        const char* error;
    } cases[] = {
        {"empty", "", "libpng error: premature eof\n"},
        {"garbage", "this is not an image at all, only text", "libpng error: Not a PNG file\n"},
        {"corrupt data", corruptData, "libpng error: IDAT: incorrect data check\n"},
        {"bad crc", corruptHeader, "libpng error: IHDR: CRC error\n"},
        {"wider than its data", withClaimedSize(complete, 40, 2), "libpng error: Not enough image data\n"},
        {"taller than its data", withClaimedSize(complete, 2, 4000), "libpng error: Not enough image data\n"},
        // Refused before libpng reserves rows for a billion pixels.
        {"huge sizes", withClaimedSize(complete, 1000000, 1000000),
         "libpng warning: Image width exceeds user limit in IHDR\n"
         "libpng warning: Image height exceeds user limit in IHDR\n"
         "libpng error: Invalid IHDR data\n"},
    };
    for (const BrokenCase& c : cases) {
        std::optional<TextureImage> image;
        std::string printed;
        std::string errors = stderrOf([&] { printed = stdoutOf([&] { image = decode(c.bytes); }); });
        EXPECT_FALSE(image) << c.what;
        EXPECT_EQ(errors, c.error) << c.what;
        EXPECT_EQ(printed, "") << c.what;
    }
}

TEST(TextureImage, EveryTruncationGivesNothingAndReadsOnlyItsBytes) {
    const std::string complete = rgbaPng(2, 2, corners);
    for (std::size_t length = 0; length < complete.size(); ++length) {
        // The truncated copy lives in a buffer of exactly its size (plus the
        // 0 byte), so a read past it is a sanitizer error.
        std::optional<TextureImage> image;
        std::string errors = stderrOf([&] { image = decode(complete.substr(0, length)); });
        EXPECT_FALSE(image) << length;
        EXPECT_NE(errors.find("libpng error: "), std::string::npos) << length;
    }
    std::string errors = stderrOf([&] { stdoutOf([&] { EXPECT_TRUE(decode(complete)); }); });
    EXPECT_EQ(errors, "");
}

class TextureReload : public RenderTest {};

TEST_F(TextureReload, ATruncatedFileLoadsOnceSavedWhole) {
    const std::string complete = rgbaPng(2, 2, corners);
    save("tex_truncated.png", complete.substr(0, complete.size() / 2));
    auto file = loadReloadableFile("tex_truncated.png");
    ASSERT_NE(file, nullptr);
    std::optional<Reloadable<Texture>> holder;
    EXPECT_EQ(stderrOf([&] { holder.emplace(loadTexture, std::move(file)); }), "libpng error: premature eof\n");
    EXPECT_EQ(holder->object, nullptr);
    ASSERT_EQ(pollables.size(), 1u);

    save("tex_truncated.png", complete);
    EXPECT_EQ(stdoutOf([] { pollAll(); }), "Reloading:tex_truncated.png\n2 x 2 ...\nbit per chan:8\ncoltype:6\n");
    ASSERT_NE(holder->object, nullptr);
    EXPECT_TRUE(glIsTexture(holder->object->glName));
}

TEST_F(TextureReload, AThousandSavesLeaveOneLiveTexture) {
    save("tex_saved.png", rgbaPng(2, 2, corners));
    std::optional<Reloadable<Texture>> holder;
    stdoutOf([&] { holder.emplace(loadTexture, loadReloadableFile("tex_saved.png")); });
    std::set<GLuint> names;
    stdoutOf([&] {
        for (int i = 0; i < 1000; ++i) {
            names.insert(holder->object->glName);
            save("tex_saved.png", rgbaPng(2, 2, corners));
            pollAll();
        }
    });
    ASSERT_NE(holder->object, nullptr);
    const GLuint current = holder->object->glName;
    EXPECT_TRUE(glIsTexture(current));
    for (GLuint name : names) {
        if (name == current) continue;
        EXPECT_FALSE(glIsTexture(name)) << name;
    }
    holder.reset();
    EXPECT_FALSE(glIsTexture(current));
}

}  // namespace
}  // namespace quadrelume
