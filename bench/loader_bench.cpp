// Loading a long timeline: what a save of time.txt costs the running demo.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "reload/file_data.h"
#include "timeline/demo_loader.h"

namespace {

using namespace quadrelume;

// `lines` expression lines of the kinds a real timeline holds, with decimal
// commas, keyframes, lists and disabled lines mixed in.
std::string timelineText(int lines) {
    std::string text;
    char line[256];
    for (int i = 0; i < lines; ++i) {
        switch (i % 4) {
            case 0: std::snprintf(line, sizeof line, "%d %d v%d = lin(0, %d) * 2 + gtime()\n", i, i + 10, i % 200, i); break;
            case 1: std::snprintf(line, sizeof line, "%d,5 %d,25 c%d = [lin(0, 1), 0.5, rtime()]\n", i, i + 3, i % 200); break;
            case 2:
                std::snprintf(line, sizeof line, "%d %d k%d = keyframe([0, [1, 0, 0]], [2, [0, 1, 0]], [4, [0, 0, 1]])\n",
                              i, i + 4, i % 200);
                break;
            default: std::snprintf(line, sizeof line, "%d %d !disabled line %d\n", i, i + 1, i); break;
        }
        text += line;
    }
    return text;
}

void loadLongTimeline(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    FileData file(timelineText(lines));
    std::FILE* devNull = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        std::unique_ptr<Demo> demo(loadDemo(&file, devNull));
        benchmark::DoNotOptimize(demo->endTime);
    }
    std::fclose(devNull);
    state.counters["lines"] = lines;
}
BENCHMARK(loadLongTimeline)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
