// What the editing session's overlay costs per frame at 1280 x 720 on a
// headless GL context: a demo of one effect and 50 script variables, drawn
// with the overlay shown (time bar, the 50 variables, an error panel of two
// files, the frame time) and hidden. The main thread's time is the frame's
// work up to the point where GL has every command (the demo's pass, the
// overlay's layout and draw calls); the whole frame's time also waits for
// the rasteriser (Mesa's llvmpipe draws on threads of its own) to finish.
#include <benchmark/benchmark.h>

#include <GLES2/gl2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "overlay/overlay.h"
#include "quiet_output.h"
#include "reload/file_data.h"
#include "shell/shell_state.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "timeline/demo_loader.h"

namespace {

using namespace quadrelume;
using Clock = std::chrono::steady_clock;

constexpr int width = 1280;
constexpr int height = 720;
constexpr int framesEach = 300;

// A timeline of 50 variables (numbers and lists, as demos have them) and
// one effect that reads some of them.
std::string benchTimeline() {
    std::string text;
    for (int i = 0; i < 50; ++i) {
        char line[128];
        if (i % 5 == 0)
            std::snprintf(line, sizeof line, "0 100 colour%02d = [lin(0, 1), %d * 0.01, gtime() %% 1]\n", i, i);
        else
            std::snprintf(line, sizeof line, "0 100 value%02d = gtime() * %d + lin(0, 1)\n", i, i);
        text += line;
    }
    text += "0 100 #glow\n";
    return text;
}

constexpr const char* glowShader =
    "precision mediump float;\nuniform vec2 resolution;\nuniform vec3 colour00;\nuniform float value01;\n"
    "void main() { vec2 p = gl_FragCoord.xy / resolution;\n"
    "  gl_FragColor = vec4(colour00 * p.x + vec3(fract(value01 + p.y)), 1.0); }\n";

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void overlayFrameCost(benchmark::State& state) {
    testing::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    dir.write("glow.ps", glowShader);
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    {
        testing::GlContext gl(width, height);
        windowWidth = width;
        windowHeight = height;
        // Building the effect prints the shader scan.
        std::optional<bench::QuietOutput> quiet(std::in_place);
        FileData timeline(benchTimeline());
        std::unique_ptr<Demo> demo(loadDemo(&timeline, nowhere));
        quiet.reset();

        const std::map<std::string, std::string> failures = {
            {"glow.ps", "Error in glow.ps:0:3(27): error: syntax error, unexpected '}', expecting ',' or ';'\n"
                        "0:5(2): error: `colour' undeclared\n"},
            {"time.txt", "time.txt:12: Unexpected end when parsing expr"},
        };
        overlay::Overlay overlay;
        std::vector<double> main[2];
        std::vector<double> whole[2];
        for (auto _ : state) {
            // Shown and hidden frames alternate, so that both meet the same
            // machine; the first frames of each are warm-up.
            for (int frame = 0; frame < 2 * framesEach; ++frame) {
                const bool shown = frame % 2 == 0;
                overlay.setShown(shown);
                const float t = 0.01f * static_cast<float>(frame);
                const auto start = Clock::now();
                glViewport(0, 0, width, height);
                glClear(GL_COLOR_BUFFER_BIT);
                demo->render(t);
                overlay::OverlayFrame view;
                view.time = t;
                view.demo = demo.get();
                view.failures = &failures;
                view.frameSeconds = 1.0 / 60.0;
                view.width = width;
                view.height = height;
                overlay.draw(view);
                glFlush();
                const auto submitted = Clock::now();
                glFinish();
                const auto finished = Clock::now();
                if (frame < 20) continue;
                main[shown].push_back(std::chrono::duration<double, std::milli>(submitted - start).count());
                whole[shown].push_back(std::chrono::duration<double, std::milli>(finished - start).count());
            }
        }
        state.counters["shown_main_ms"] = median(main[1]);
        state.counters["hidden_main_ms"] = median(main[0]);
        state.counters["added_main_ms"] = median(main[1]) - median(main[0]);
        state.counters["shown_frame_ms"] = median(whole[1]);
        state.counters["hidden_frame_ms"] = median(whole[0]);
    }
    std::fclose(nowhere);
    std::filesystem::current_path(previous);
}

BENCHMARK(overlayFrameCost)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
