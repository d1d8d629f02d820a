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

#include "app/shell_state.h"
#include "render/effect_range.h"
#include "script/variable_table.h"
#include "support/gl_context.h"
#include "support/png_writer.h"
#include "support/temp_dir.h"

namespace {

using namespace quadrelume;

// The effect of the benchmark, written into `dir`: 16 uniforms of the four
// settable types, time, gtime, resolution and one sampler.
void writeEffect(const testing::TempDir& dir, VariableTable& variables) {
    dir.write("bare.ps", "void main() { gl_FragColor = vec4(1.0); }\n");
    std::string declarations =
        "precision highp float;\nuniform float time;\nuniform float gtime;\nuniform vec2 resolution;\n"
        "uniform sampler2D bench_texture;\n";
    std::string sum = "vec4(time + gtime, resolution, 0.0) + texture2D(bench_texture, resolution)";
    const char* types[] = {"float", "vec2", "vec3", "vec4"};
    const char* widened[] = {"vec4(%s)", "vec4(%s, 0.0, 0.0)", "vec4(%s, 0.0)", "%s"};
    for (int i = 0; i < 16; ++i) {
        std::string name = "feed" + std::to_string(i);
        declarations += std::string("uniform ") + types[i % 4] + " " + name + ";\n";
        std::string term = widened[i % 4];
        sum += " + " + term.replace(term.find("%s"), 2, name);
        Value items[] = {numberValue(0.1f), numberValue(0.2f), numberValue(0.3f), numberValue(0.4f)};
        variables.assign(name, i % 2 == 0 ? numberValue(0.5f) : listValue(items, 4));
    }
    dir.write("bench.ps", declarations + "void main() { gl_FragColor = " + sum + "; }\n");
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
