// Benchmark of the per-frame CPU cost of drawing an effect: EffectRange::render
// with 16 uniforms fed from script variables, the three built-ins and one
// texture, on a small headless pbuffer so that rasterising costs little; and
// the same without uniforms, for what the draw itself costs. And a frame of
// one pass into a buffer at 1280 x 720, the buffer full-size and half-size,
// until GL has drawn it, with the memory the buffer takes.
#include <benchmark/benchmark.h>

#include <GLES2/gl2.h>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "quiet_output.h"
#include "shell/shell_state.h"
#include "render/busy_effect.h"
#include "render/effect_range.h"
#include "script/variable_table.h"
#include "support/gl_context.h"
#include "support/png_writer.h"
#include "support/temp_dir.h"
#include "timeline/demo_loader.h"

namespace {

using namespace quadrelume;

// Google Benchmark calls a benchmark more than once, each time with a new GL
// context, where a program or texture cached by an earlier call names
// nothing: each call's files have names of their own, ending in `suffix`.
std::string callSuffix() {
    static int calls = 0;
    return std::to_string(++calls);
}

// The effects of the benchmark, written into `dir`: the busy effect of the
// frame-cost test ("bench" + suffix), and one without uniforms ("bare" + suffix).
void writeEffect(const testing::TempDir& dir, VariableTable& variables, const std::string& suffix) {
    dir.write("bench" + suffix + ".ps", testing::busyEffectShader("bench_texture" + suffix, variables));
    dir.write("bare" + suffix + ".ps", "void main() { gl_FragColor = vec4(1.0); }\n");
    std::vector<std::uint8_t> pixels(64 * 64 * 4, 128);
    dir.write("bench_texture" + suffix + ".png",
              testing::encodePng(testing::PngImage{64, 64, 8, 6, false, pixels}));
}

// Renders effect `name` (written by writeEffect) once per iteration.
void renderEffect(benchmark::State& state, const char* name) {
    testing::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    {
        testing::GlContext gl(16, 16);
        windowWidth = windowHeight = 16;
        VariableTable variables;
        const std::string suffix = callSuffix();
        writeEffect(dir, variables, suffix);
        // The build and the first frame's texture load print their trace.
        std::optional<bench::QuietOutput> quiet(std::in_place);
        EffectRange range(name + suffix, &variables);
        range.start = 0.0f;
        range.end = 100.0f;
        range.render(0.0f);
        quiet.reset();
        if (range.shader == nullptr) {
            state.SkipWithError("effect not built");
        } else {
            float t = 0.0f;
            for (auto _ : state) {
                range.render(t);
                glFlush();  // a frame's end, as the buffer swap gives
                t += 0.016f;
                if (t > 99.0f) t = 0.0f;
            }
            glFinish();
        }
    }
    std::filesystem::current_path(previous);
}
BENCHMARK_CAPTURE(renderEffect, sixteenUniformsAndATexture, "bench")->Unit(benchmark::kMicrosecond);
// The same frame without uniforms: what program switch, state and draw cost.
BENCHMARK_CAPTURE(renderEffect, noUniforms, "bare")->Unit(benchmark::kMicrosecond);

// A frame of a timeline with one pass into the buffer `line` begins, at
// 1280 x 720: the buffer's clear, the pass, and the screen bound again,
// finished by GL in each iteration.
void bufferPass(benchmark::State& state, const char* line) {
    constexpr int width = 1280;
    constexpr int height = 720;
    testing::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string effect = "pass" + callSuffix();
    dir.write(effect + ".ps", "precision highp float;\nuniform vec2 resolution;\nuniform float gtime;\n"
                         "void main() { vec2 uv = gl_FragCoord.xy / resolution;\n"
                         "  gl_FragColor = vec4(0.5 + 0.5 * sin(uv.x * 9.0 + gtime), uv.y, 0.5 + 0.5 * cos(uv.y * "
                         "7.0 - gtime), 1.0); }\n");
    std::FILE* nowhere = std::fopen("/dev/null", "w");  // the timeline's trace
    {
        testing::GlContext gl(width, height);
        windowWidth = width;
        windowHeight = height;
        std::optional<bench::QuietOutput> quiet(std::in_place);
        FileData timeline("0 1000 " + std::string(line) + effect + "\n");
        std::unique_ptr<Demo> demo(loadDemo(&timeline, nowhere));
        demo->render(0.0f);  // the buffer's images, and the program's first draw
        glFinish();
        quiet.reset();
        float t = 0.0f;
        for (auto _ : state) {
            demo->render(t);
            glFinish();
            t += 0.016f;
        }
        state.counters["buffer_mb"] = static_cast<double>(demo->buffers.buffers().at(0)->bytes()) / (1024.0 * 1024.0);
        demo.reset();
    }
    std::fclose(nowhere);
    std::filesystem::current_path(previous);
}
BENCHMARK_CAPTURE(bufferPass, fullSize, "glow = #")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(bufferPass, halfSize, "glow/2 = #")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
