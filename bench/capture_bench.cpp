// Benchmarks of quadrelume-capture:
// - captureThroughput: frames per second of capturing examples/aurora at
//   1280x720 into MP4 (with its music), against rendering and reading back
//   the same frames with nothing encoded, alternately in one process; the
//   ratio shows how well encoding overlaps rendering.
// - exampleCapture: the wall time of the real program capturing all of
//   examples/aurora at 640x360 and 30 fps, against the demo's length.
// - peakMemory: the peak resident memory of the real program capturing a
//   ten-minute demo, against capturing its first ten seconds.
// - feedbackCatchUp: what a capture --from 30 at 1280x720 and 60 fps draws
//   first, unencoded, for a feedback buffer drawn from 0: the frames and the
//   time they take.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "shell/shell_state.h"
#include "capture/capture_run.h"
#include "capture/encoded_music.h"
#include "capture/output_target.h"
#include "capture/video_file.h"
#include "clock/music_fixtures.h"
#include "clock/ogg_music_decoder.h"
#include "platform/headless_gl.h"
#include "platform/process_io.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "timeline/demo_loader.h"

namespace {

using namespace quadrelume;
using namespace quadrelume::capture;
namespace fs = std::filesystem;

const std::string example = QUADRELUME_EXAMPLE;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A sink that takes the frames and does nothing with them.
class Discard : public FrameSink {
public:
    void writeFrame(const std::uint8_t*, std::int64_t) override {}
    void finish(std::int64_t) override {}
};

// Frames per second of one capture of `schedule` into `sink`.
double framesPerSecond(Demo& demo, const FrameSchedule& schedule, int width, int height, FrameSink& sink) {
    const auto start = std::chrono::steady_clock::now();
    CaptureOutcome outcome = runCapture(demo, schedule, width, height, sink, [] { return false; }, nullptr);
    return static_cast<double>(outcome.frames) / secondsSince(start);
}

constexpr int width = 1280;
constexpr int height = 720;

// The headless context of the in-process benchmarks, made once.
void headlessContext() {
    static const bool made = [] {
        platform::initHeadlessGl(width, height);
        return true;
    }();
    (void)made;
    windowWidth = width;
    windowHeight = height;
}

void captureThroughput(benchmark::State& state) {
    if (!fs::exists(example + "/demo.ogg")) {
        state.SkipWithError("examples/aurora/demo.ogg is missing: run tools/make-example-music");
        return;
    }
    av_log_set_level(AV_LOG_ERROR);
    testing::TempDir out;
    const auto previous = fs::current_path();
    fs::current_path(example);
    // The trace and the libraries' console lines go nowhere, as by default.
    std::fflush(stdout);
    const int report = dup(STDOUT_FILENO);
    platform::redirectStandardOutput("");
    headlessContext();
    std::unique_ptr<ReloadableFileData> timeline = loadReloadableFile("time.txt");
    std::unique_ptr<Demo> demo(loadDemo(timeline.get(), stdout));
    std::unique_ptr<ReloadableFileData> music = loadReloadableFile("demo.ogg");
    std::fflush(stdout);
    dup2(report, STDOUT_FILENO);
    close(report);
    fs::current_path(previous);
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    demo->setTraceOutput(nowhere);

    // A second where the sky, the tunnel and the rings overlap. Software GL
    // takes a good part of a second for each of these frames.
    const FrameSchedule schedule{9500000000, {30, 1}, 30};
    double readback = 0.0;
    double encoded = 0.0;
    for (auto _ : state) {
        for (int round = 0; round < 2; ++round) {
            Discard discard;
            readback += framesPerSecond(*demo, schedule, width, height, discard) / 2.0;
            OggMusicDecoder decoder(music.get());
            VideoFile video(videoFormats[0], out.file("bench.mp4"), width, height, schedule.rate,
                            videoFormats[0].quality.standard,
                            std::make_unique<EncodedMusic>(decoder, videoFormats[0], secondsOf(schedule.from), schedule.rate));
            encoded += framesPerSecond(*demo, schedule, width, height, video) / 2.0;
        }
    }
    state.counters["readback_fps"] = readback;
    state.counters["mp4_fps"] = encoded;
    state.counters["ratio"] = encoded / readback;
    demo.reset();
    std::fclose(nowhere);
}
BENCHMARK(captureThroughput)->Iterations(1)->Unit(benchmark::kSecond);

// What a run of the real program cost.
struct Run {
    int code = -1;
    double seconds = 0.0;
    long peakKilobytes = 0;
};

// Runs quadrelume-capture with `arguments` in `folder`, without DISPLAY,
// and measures it.
Run runProgram(const std::vector<std::string>& arguments, const std::string& folder) {
    std::vector<std::string> argv{QUADRELUME_CAPTURE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const auto start = std::chrono::steady_clock::now();
    testing::Process program(argv, folder, {{"DISPLAY", ""}});
    Run run;
    run.code = program.waitForExit(3600).value_or(-1);
    run.seconds = secondsSince(start);
    run.peakKilobytes = program.peakKilobytes();
    return run;
}

void exampleCapture(benchmark::State& state) {
    if (!fs::exists(example + "/demo.ogg")) {
        state.SkipWithError("examples/aurora/demo.ogg is missing: run tools/make-example-music");
        return;
    }
    testing::TempDir out;
    Run run;
    for (auto _ : state)
        run = runProgram({"--demo", example, "--size", "640x360", "--fps", "30", out.file("aurora.mp4")}, out.path());
    if (run.code != 0) state.SkipWithError("the capture failed");
    constexpr double length = 40.0;
    state.counters["wall_s"] = run.seconds;
    state.counters["demo_s"] = length;
    state.counters["wall_per_demo_second"] = run.seconds / length;
}
BENCHMARK(exampleCapture)->Iterations(1)->Unit(benchmark::kSecond);

void peakMemory(benchmark::State& state) {
    testing::TempDir demo;
    testing::TempDir work;
    demo.write("demo.ogg", testing::encodeTone(work, {44100, 2, 600.0, 220.0, 1}));
    demo.write("time.txt",
               "0 600 colour = [lin(0, 1), 0.5, beat]\n"
               "0 600 beat = 1 - (gtime() * 2) % 1\n"
               "0 600 #wave\n");
    demo.write("wave.ps",
               "precision highp float;\nuniform vec2 resolution;\nuniform float gtime;\nuniform vec3 colour;\n"
               "void main() {\n"
               "    vec2 uv = gl_FragCoord.xy / resolution;\n"
               "    gl_FragColor = vec4(colour * (0.5 + 0.5 * sin(uv.x * 20.0 + gtime * 5.0)), 1.0);\n"
               "}\n");
    Run tenSeconds;
    Run tenMinutes;
    const std::vector<std::string> common{"--size", "320x180", "--fps", "30"};
    for (auto _ : state) {
        std::vector<std::string> shortRun = common;
        shortRun.insert(shortRun.end(), {"--to", "10", "short.mp4"});
        tenSeconds = runProgram(shortRun, demo.path());
        std::vector<std::string> longRun = common;
        longRun.push_back("long.mp4");
        tenMinutes = runProgram(longRun, demo.path());
    }
    if (tenSeconds.code != 0 || tenMinutes.code != 0) state.SkipWithError("a capture failed");
    state.counters["ten_seconds_mb"] = static_cast<double>(tenSeconds.peakKilobytes) / 1024.0;
    state.counters["ten_minutes_mb"] = static_cast<double>(tenMinutes.peakKilobytes) / 1024.0;
    state.counters["ten_minutes_s"] = tenMinutes.seconds;
    state.counters["ratio"] = static_cast<double>(tenMinutes.peakKilobytes) / static_cast<double>(tenSeconds.peakKilobytes);
}
BENCHMARK(peakMemory)->Iterations(1)->Unit(benchmark::kSecond);

void feedbackCatchUp(benchmark::State& state) {
    testing::TempDir demo;
    // A trail through a feedback buffer from 0 to the end, shown on the screen.
    demo.write("time.txt", "0 60 trail = #trail\n0 60 #show\n");
    demo.write("trail.ps",
               "precision highp float;\nuniform vec2 resolution;\nuniform float gtime;\nuniform sampler2D trail;\n"
               "void main() {\n"
               "    vec2 uv = gl_FragCoord.xy / resolution;\n"
               "    vec2 dot = vec2(0.5) + 0.3 * vec2(cos(gtime * 2.0), sin(gtime * 3.0));\n"
               "    float d = smoothstep(0.05, 0.0, distance(uv, dot));\n"
               "    gl_FragColor = max(texture2D(trail, uv) * 0.97, vec4(d, d * 0.6, d * 0.2, 1.0));\n"
               "}\n");
    demo.write("show.ps", "precision highp float;\nuniform vec2 resolution;\nuniform sampler2D trail;\n"
                          "void main() { gl_FragColor = texture2D(trail, gl_FragCoord.xy / resolution); }\n");
    const auto previous = fs::current_path();
    fs::current_path(demo.path());
    std::fflush(stdout);
    const int report = dup(STDOUT_FILENO);
    platform::redirectStandardOutput("");
    headlessContext();
    std::unique_ptr<ReloadableFileData> timeline = loadReloadableFile("time.txt");
    std::unique_ptr<Demo> loaded(loadDemo(timeline.get(), stdout));
    std::fflush(stdout);
    dup2(report, STDOUT_FILENO);
    close(report);
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    loaded->setTraceOutput(nowhere);

    const FrameSchedule schedule{30 * nanosecondsPerSecond, {60, 1}, 1};
    CatchUpOutcome outcome;
    for (auto _ : state) {
        loaded->buffers.clearAll();
        outcome = catchUpBuffers(*loaded, schedule, width, height, [] { return false; });
    }
    state.counters["frames"] = static_cast<double>(outcome.frames);
    state.counters["catch_up_s"] = outcome.seconds;
    state.counters["per_frame_ms"] = outcome.frames > 0 ? outcome.seconds * 1000.0 / static_cast<double>(outcome.frames) : 0.0;
    loaded.reset();
    std::fclose(nowhere);
    fs::current_path(previous);
}
BENCHMARK(feedbackCatchUp)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
