// Benchmark of the per-frame CPU cost of drawing an effect: EffectRange::render
// with 16 uniforms fed from script variables, the three built-ins and one
// texture, on a small headless pbuffer so that rasterising costs little; and
// the same without uniforms, for what the draw itself costs.
#include <benchmark/benchmark.h>

#include <GLES2/gl2.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "shell/shell_state.h"
#include "render/busy_effect.h"
#include "render/effect_range.h"
#include "script/variable_table.h"
#include "support/gl_context.h"
#include "support/png_writer.h"
#include "support/temp_dir.h"

namespace {

using namespace quadrelume;

// The effects of the benchmark, written into `dir`: the busy effect of the
// frame-cost test, and one without uniforms.
void writeEffect(const testing::TempDir& dir, VariableTable& variables) {
    dir.write("bench.ps", testing::busyEffectShader("bench_texture", variables));
    dir.write("bare.ps", "void main() { gl_FragColor = vec4(1.0); }\n");
    std::vector<std::uint8_t> pixels(64 * 64 * 4, 128);
    dir.write("bench_texture.png", testing::encodePng(testing::PngImage{64, 64, 8, 6, false, pixels}));
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
        writeEffect(dir, variables);
        // The build and the first frame's texture load print their trace;
        // it would mix with the report.
        std::fflush(stdout);
        const int report = dup(STDOUT_FILENO);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        EffectRange range(name, &variables);
        range.start = 0.0f;
        range.end = 100.0f;
        range.render(0.0f);
        std::fflush(stdout);
        dup2(report, STDOUT_FILENO);
        close(quiet);
        close(report);
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

}  // namespace

BENCHMARK_MAIN();
