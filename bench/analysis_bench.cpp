// The music in the pictures (Google Benchmark):
// - analyseFiveMinutes: the analysis of a generated 5-minute track (a new
//   tone every second): all of it, in wall and CPU time; the first frame's
//   wait (opening the music and analysing the block of its time) at 0 s and
//   after a seek to 150 s, the median of five fresh analyses each; and the
//   memory the analysis holds (the table, the 8-bit mono mix, the file).
// - spectrumTexturePerFrame: what the spectrum texture costs a frame at
//   60 fps once the music is analysed: the rows at the frame's time mixed
//   and uploaded to GL (512 x 2 bytes), on a headless context.
#include <benchmark/benchmark.h>

#include <GLES2/gl2.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "analysis/music_analysis.h"
#include "analysis/music_source.h"
#include "clock/music_fixtures.h"
#include "render/spectrum_texture.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

namespace {

using namespace quadrelume;
using Clock = std::chrono::steady_clock;

constexpr double trackSeconds = 300.0;

const FileData& fiveMinutes() {
    static const FileData* file = [] {
        testing::TempDir dir;
        return new FileData(
            testing::encodeTone(dir, {.seconds = trackSeconds, .frequency = 200.0, .step = 7.0}));
    }();
    return *file;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the whole process (every thread), milliseconds.
double processCpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The median wait of a first frame at `t` on a fresh analysis of the track.
double firstFrameMilliseconds(double t) {
    std::vector<double> waits;
    for (int i = 0; i < 5; ++i) {
        const Clock::time_point start = Clock::now();
        analysis::MusicAnalysis music(fiveMinutes());
        music.prepare(t);
        waits.push_back(millisecondsSince(start));
    }
    std::sort(waits.begin(), waits.end());
    return waits[waits.size() / 2];
}

void analyseFiveMinutes(benchmark::State& state) {
    fiveMinutes();
    for (auto _ : state) {
        const double cpuBefore = processCpuMilliseconds();
        const Clock::time_point start = Clock::now();
        analysis::MusicAnalysis music(fiveMinutes());
        music.complete();
        state.counters["whole_ms"] = millisecondsSince(start);
        state.counters["whole_cpu_ms"] = processCpuMilliseconds() - cpuBefore;
        state.counters["memory_mib"] = static_cast<double>(music.memoryBytes()) / (1024.0 * 1024.0);
    }
    state.counters["first_frame_ms"] = firstFrameMilliseconds(0.0);
    state.counters["after_seek_ms"] = firstFrameMilliseconds(trackSeconds / 2);
}
BENCHMARK(analyseFiveMinutes)->Iterations(1)->Unit(benchmark::kMillisecond);

void spectrumTexturePerFrame(benchmark::State& state) {
    analysis::MusicAnalysis music(fiveMinutes());
    music.complete();
    analysis::setMusicFinder([](void* found) { return static_cast<analysis::MusicSource*>(found); }, &music);
    {
        testing::GlContext gl(16, 16);
        double t = 0.0;
        for (auto _ : state) {
            bindSpectrumTexture(static_cast<float>(t));
            glFlush();  // a frame's end, as the buffer swap gives
            t += 1.0 / 60.0;
            if (t > trackSeconds) t = 0.0;
        }
        glFinish();
        forgetSpectrumTexture();
    }
    analysis::setMusicFinder(nullptr, nullptr);
}
BENCHMARK(spectrumTexturePerFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
