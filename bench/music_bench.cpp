// The music clock's stream callback against its budget: every callback must
// fill its 10 ms buffer well within 10 ms, or the sound drops out. Runs the
// callback's whole body (a pending seek, decoding in place, silence after
// the end) 1000 times over a generated 10 s file, as the audio thread would,
// and reports the worst and the median callback, in wall time and in the
// thread's CPU time (on a busy machine the worst wall time is the
// scheduler's, not the callback's); the first callback, which seeks, is
// reported apart. Also counts the heap allocations made inside the
// callbacks, the decoder library's included: there must be none.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "clock/music_fixtures.h"
#include "clock/ogg_music_decoder.h"

// Every allocation of the process, the decoder library's included, passes
// here; only those made while `counting` is set are counted.
namespace {
bool counting = false;
long allocations = 0;
}  // namespace

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* malloc(std::size_t size) {
    if (counting) ++allocations;
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    if (counting) ++allocations;
    return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
    if (counting) ++allocations;
    return __libc_realloc(p, size);
}
}

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of the calling thread, microseconds: what the callback itself
// costs, without the time the scheduler gives to other processes.
double threadMicros() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double percentile(std::vector<double>& values, int percent) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * static_cast<std::size_t>(percent) / 100)];
}

const std::string& tenSeconds() {
    static const std::string* file = [] {
        quadrelume::testing::TempDir dir;
        return new std::string(quadrelume::testing::encodeTone(dir, {44100, 2, 10.0, 440.0, 1}));
    }();
    return *file;
}

void BM_StreamCallback(benchmark::State& state) {
    quadrelume::FileData file(tenSeconds());
    constexpr unsigned long frames = 441;  // rate / 100
    std::vector<std::int16_t> buffer(frames * 2);
    std::vector<double> wall;
    std::vector<double> cpu;
    double seekingCallback = 0;  // worst first callback: the seek to 0 and a fresh decoder
    wall.reserve(10000);
    cpu.reserve(10000);
    for (auto _ : state) {
        quadrelume::OggMusicDecoder decoder(&file);
        decoder.requestSeek(0.0);  // the first callback carries out a seek, as after a loop of the demo
        counting = true;
        for (int i = 0; i < 1000; ++i) {
            Clock::time_point start = Clock::now();
            double cpuStart = threadMicros();
            decoder.render(buffer.data(), frames, i * 0.01);
            double spent = threadMicros() - cpuStart;
            double elapsed = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
            if (i == 0) {
                seekingCallback = std::max(seekingCallback, elapsed);
                continue;
            }
            cpu.push_back(spent);
            wall.push_back(elapsed);
        }
        counting = false;
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["budget_us"] = 10000;
    state.counters["seek_us"] = seekingCallback;
    state.counters["max_us"] = percentile(wall, 100);
    state.counters["p99_us"] = percentile(wall, 99);
    state.counters["median_us"] = percentile(wall, 50);
    state.counters["max_cpu_us"] = percentile(cpu, 100);
    state.counters["median_cpu_us"] = percentile(cpu, 50);
    state.counters["allocations_per_run"] = static_cast<double>(allocations) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_StreamCallback)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
