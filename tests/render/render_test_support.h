// Helpers shared by the rendering tests: a fixture with a headless GL context
// inside a fresh current directory, shader and PNG files saved with distinct
// modification times, and a capture of standard output.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "shell/shell_state.h"
#include "reload/pollable.h"
#include "render/effect_range.h"
#include "script/variable_table.h"
#include "support/gl_context.h"
#include "support/png_writer.h"
#include "support/temp_dir.h"

namespace quadrelume::testing {

// Caches are process-wide and keyed by file names relative to the current
// directory, so every test names its effects and textures differently from
// all other tests of its program.
class InDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        pollables.clear();
    }
    void TearDown() override {
        pollables.clear();
        std::filesystem::current_path(previousDirectory);
    }

    // Writes `contents` to `name` in the test's directory with a modification
    // time no earlier save of this test had, so that polling sees the change.
    void save(const std::string& name, const std::string& contents) {
        dir.write(name, contents);
        setModificationTime(dir.file(name), 1700000000, ++saves);
    }

    TempDir dir;
    std::filesystem::path previousDirectory;
    long saves = 0;
};

// InDirectory with a current GL context on a surface of surfaceWidth x
// surfaceHeight pixels, which the shell's window size follows.
class RenderTest : public InDirectory {
protected:
    static constexpr int surfaceWidth = 4;
    static constexpr int surfaceHeight = 4;

    void SetUp() override {
        InDirectory::SetUp();
        gl = std::make_unique<GlContext>(surfaceWidth, surfaceHeight);
        windowWidth = surfaceWidth;
        windowHeight = surfaceHeight;
    }
    void TearDown() override {
        ranges.clear();
        gl.reset();
        InDirectory::TearDown();
    }

    // Saves `source` as the shader of effect `name` (unless it is empty) and
    // makes a range of the effect on `variables`, owned by the fixture. The
    // trace of building the program is discarded.
    EffectRange& effect(const std::string& name, const std::string& source = {}) {
        if (!source.empty()) save(name + ".ps", source);
        ::testing::internal::CaptureStdout();
        ranges.push_back(std::make_unique<EffectRange>(name, &variables));
        ::testing::internal::GetCapturedStdout();
        return *ranges.back();
    }

    std::unique_ptr<GlContext> gl;
    VariableTable variables;
    std::vector<std::unique_ptr<EffectRange>> ranges;
};

// Runs `action` and answers what it printed on standard output.
template <typename Action>
std::string stdoutOf(Action&& action) {
    ::testing::internal::CaptureStdout();
    action();
    return ::testing::internal::GetCapturedStdout();
}

// Runs `action` and answers what it wrote on standard error.
template <typename Action>
std::string stderrOf(Action&& action) {
    ::testing::internal::CaptureStderr();
    action();
    return ::testing::internal::GetCapturedStderr();
}

// A fragment shader: highp floats, then `body`.
inline std::string fragmentShader(const std::string& body) { return "precision highp float;\n" + body; }

// The shader that shows the texture of sampler `name` over the viewport,
// texel for pixel when the viewport has the image's size.
inline std::string textureShader(const std::string& name) {
    return fragmentShader("uniform vec2 resolution;\nuniform sampler2D " + name +
                          ";\nvoid main() { gl_FragColor = texture2D(" + name +
                          ", gl_FragCoord.xy / resolution); }\n");
}

// An 8-bit RGBA PNG of width x height pixels, rows top first.
inline std::string rgbaPng(int width, int height, const std::vector<std::uint8_t>& pixels) {
    return encodePng(PngImage{width, height, 8, 6, false, pixels});
}

// Whether each channel of `actual` is within `tolerance` of `expected`.
inline ::testing::AssertionResult near(const Rgba& actual, const Rgba& expected, int tolerance = 1) {
    for (int i = 0; i < 4; ++i) {
        if (std::abs(int(actual[i]) - int(expected[i])) > tolerance)
            return ::testing::AssertionFailure()
                   << "got (" << int(actual[0]) << ", " << int(actual[1]) << ", " << int(actual[2]) << ", "
                   << int(actual[3]) << "), expected (" << int(expected[0]) << ", " << int(expected[1]) << ", "
                   << int(expected[2]) << ", " << int(expected[3]) << ")";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace quadrelume::testing
