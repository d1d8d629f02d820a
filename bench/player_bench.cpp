// The real player under a private X server: how long a saved shader takes to
// reach the screen, and how long the example demo takes to show its first
// frame. Both are measured on presented pixels, polled one at a time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <random>
#include <thread>
#include <vector>

#include <X11/keysym.h>

#include "clock/music_fixtures.h"
#include "support/alsa_test_device.h"
#include "support/png_writer.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_server.h"

namespace {

using namespace quadrelume::testing;
using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Polls the centre pixel until `done` accepts it; false after `seconds`.
template <typename Accept>
bool waitForCentre(XServer& x, Accept done, double seconds) {
    auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        if (done(x.pixel(x.width() / 2, x.height() / 2))) return true;
    }
    return false;
}

// A shader that fills the screen with `rgb`. A non-zero `nonce` goes into a
// test the compiler cannot fold away, so that the text and the code built
// from it are new to the driver's on-disk shader cache in every run: without
// it, every run after the first measures cache hits instead of compiles.
std::string constantShader(unsigned rgb, unsigned long long nonce = 0) {
    char text[320];
    std::snprintf(text, sizeof text,
                  "precision mediump float;\nvoid main() {\n"
                  "  gl_FragColor = vec4(%u.0 / 255.0, %u.0 / 255.0, %u.0 / 255.0, 1.0);\n"
                  "  if (gl_FragCoord.x < -%llu.0) gl_FragColor = vec4(0.0);\n}\n",
                  rgb >> 16, (rgb >> 8) & 255, rgb & 255, nonce);
    return text;
}

// One rebuild as the preloaded probe saw it, in nanoseconds.
struct ProbedRebuild {
    long long opened = 0;           // the shader file opened for reading
    long long compileAndLink = 0;   // the driver: both compiles and the link
    long long firstDraw = 0;        // the driver: the first draw of the new program
    long long drawn = 0;            // the end of that draw
    long long presented = 0;        // the end of the swap that presents it
};

// The first complete rebuild in `log` whose file was opened at or after
// `since`; nothing while the log does not hold one yet.
std::optional<ProbedRebuild> probedRebuild(const std::string& log, long long since) {
    std::istringstream lines(log);
    std::string what;
    long long start = 0;
    long long end = 0;
    ProbedRebuild found;
    int stage = 0;  // 0 looking for open, 1 in the build, 2 drawn
    while (lines >> what >> start >> end) {
        if (stage == 0) {
            if (what == "open" && start >= since) {
                found.opened = start;
                stage = 1;
            }
        } else if (stage == 1 && (what == "compile" || what == "link")) {
            found.compileAndLink += end - start;
        } else if (stage == 1 && what == "draw") {
            found.firstDraw = end - start;
            found.drawn = end;
            stage = 2;
        } else if (stage == 2 && what == "present") {
            found.presented = end;
            return found;
        }
    }
    return std::nullopt;
}

long long monotonicNanoseconds(Clock::time_point at) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
}

void setStatistics(benchmark::State& state, std::vector<double> samples, const char* prefix) {
    std::sort(samples.begin(), samples.end());
    state.counters[std::string(prefix) + "_median_ms"] = samples[samples.size() / 2];
    state.counters[std::string(prefix) + "_worst_ms"] = samples.back();
    state.counters["samples"] = static_cast<double>(samples.size());
}

// What one kind of save writes: the demo's files at the start, and the save
// that makes the centre of the screen show `colour` (`nonce` is new in every
// run). A probed kind also splits each save's time into the driver's part
// and ours.
struct SaveKind {
    void (*prepare)(const TempDir& demo);
    void (*save)(const TempDir& demo, unsigned colour, unsigned long long nonce);
    bool probed = false;
};

// Makes 50 saves of one kind, each with a new colour, and times each from
// the start of the write to the first presented frame that shows it. The
// frame period of the run is reported beside it, since the target is one
// frame plus 2 ms.
void timeSaves(benchmark::State& state, const SaveKind& kind) {
    for (auto _ : state) {
        XServer x(320, 240);
        TempDir demo;
        kind.prepare(demo);
        std::map<std::string, std::string> environment{{"DISPLAY", x.name()}};
        const std::string probeLog = demo.file("probe.log");
        if (kind.probed) {
            environment["LD_PRELOAD"] = QUADRELUME_RELOAD_PROBE;
            environment["QUADRELUME_PROBE_LOG"] = probeLog;
        }
        Process player({QUADRELUME_PLAYER}, demo.path(), environment);
        if (!waitForCentre(x, [](unsigned p) { return p == 0x102030; }, 30)) {
            state.SkipWithError("the player did not draw");
            return;
        }
        std::mt19937 random(7);
        const unsigned long long runNonce = std::random_device()() | 1u;
        std::vector<double> latencies;
        std::vector<double> driverBuilds;
        std::vector<double> driverDraws;
        std::vector<double> ours;
        std::vector<double> toRebuild;
        std::vector<double> drawnToPresented;
        for (int save = 0; save < 50; ++save) {
            const unsigned colour = 0x400000u + static_cast<unsigned>(save) * 0x000403u;
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 30));
            auto start = Clock::now();
            kind.save(demo, colour, runNonce * 1000 + static_cast<unsigned long long>(save));
            if (!waitForCentre(x, [&](unsigned p) { return p == colour; }, 5)) {
                state.SkipWithError("a save never reached the screen");
                return;
            }
            latencies.push_back(millisecondsSince(start));
            if (!kind.probed) continue;
            std::optional<ProbedRebuild> rebuild;
            for (int tries = 0; tries < 100 && !rebuild; ++tries) {
                rebuild = probedRebuild(readFileText(probeLog), monotonicNanoseconds(start));
                if (!rebuild) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            if (!rebuild) {
                state.SkipWithError("the probe saw no complete rebuild");
                return;
            }
            const long long total = rebuild->presented - monotonicNanoseconds(start);
            driverBuilds.push_back(rebuild->compileAndLink / 1e6);
            driverDraws.push_back(rebuild->firstDraw / 1e6);
            ours.push_back((total - rebuild->compileAndLink - rebuild->firstDraw) / 1e6);
            toRebuild.push_back((rebuild->opened - monotonicNanoseconds(start)) / 1e6);
            drawnToPresented.push_back((rebuild->presented - rebuild->drawn) / 1e6);
        }
        setStatistics(state, latencies, "reload");
        if (kind.probed) {
            setStatistics(state, driverBuilds, "driver_build");
            setStatistics(state, driverDraws, "driver_first_draw");
            setStatistics(state, ours, "ours");
            setStatistics(state, toRebuild, "save_to_rebuild");
            setStatistics(state, drawnToPresented, "drawn_to_presented");
        }

        // Frame period: frames traced over a known stretch of time.
        auto frames = [&] {
            std::string out = player.output();
            std::size_t n = 0;
            for (std::size_t at = out.find("-----------------"); at != std::string::npos;
                 at = out.find("-----------------", at + 1))
                ++n;
            return n;
        };
        std::size_t before = frames();
        auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        state.counters["frame_ms"] = millisecondsSince(start) / static_cast<double>(frames() - before);
        player.kill();
    }
}

std::string colourList(unsigned rgb) {
    char text[96];
    std::snprintf(text, sizeof text, "[%u / 255, %u / 255, %u / 255]", rgb >> 16, (rgb >> 8) & 255, rgb & 255);
    return text;
}

std::string onePixelPng(unsigned rgb) {
    PngImage image{.width = 1, .height = 1, .colourType = 2,
                   .pixels = {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                              static_cast<std::uint8_t>(rgb)}};
    return encodePng(image);
}

// A shader saved in place: the GL compiler's work is part of the latency,
// and the probe tells it apart.
const SaveKind shaderSave{
    [](const TempDir& demo) {
        demo.write("time.txt", "0 100000 #fill\n");
        demo.write("fill.ps", constantShader(0x102030));
    },
    [](const TempDir& demo, unsigned colour, unsigned long long nonce) {
        demo.write("fill.ps", constantShader(colour, nonce));
    },
    true};

// time.txt saved with a new colour: the timeline is rebuilt, the program
// found in its cache.
const SaveKind timelineSave{
    [](const TempDir& demo) {
        demo.write("fill.ps", "precision mediump float;\nuniform vec3 colour;\n"
                              "void main() { gl_FragColor = vec4(colour, 1.0); }\n");
        demo.write("time.txt", "0 100000 colour = " + colourList(0x102030) + "\n0 100000 #fill\n");
    },
    [](const TempDir& demo, unsigned colour, unsigned long long) {
        demo.write("time.txt", "0 100000 colour = " + colourList(colour) + "\n0 100000 #fill\n");
    }};

// A texture saved in place: decoded and uploaded again.
const SaveKind textureSave{
    [](const TempDir& demo) {
        demo.write("time.txt", "0 100000 #show\n");
        demo.write("show.ps", "precision mediump float;\nuniform sampler2D picture;\n"
                              "void main() { gl_FragColor = texture2D(picture, vec2(0.5)); }\n");
        demo.write("picture.png", onePixelPng(0x102030));
    },
    [](const TempDir& demo, unsigned colour, unsigned long long) { demo.write("picture.png", onePixelPng(colour)); }};

void shaderSaveToScreen(benchmark::State& state) { timeSaves(state, shaderSave); }
void timelineSaveToScreen(benchmark::State& state) { timeSaves(state, timelineSave); }
void textureSaveToScreen(benchmark::State& state) { timeSaves(state, textureSave); }
BENCHMARK(shaderSaveToScreen)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(timelineSaveToScreen)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(textureSaveToScreen)->Iterations(1)->Unit(benchmark::kMillisecond);

// The number of frames traced so far.
std::size_t tracedFrames(const Process& player) {
    std::string out = player.output();
    std::size_t n = 0;
    for (std::size_t at = out.find("-----------------"); at != std::string::npos; at = out.find("-----------------", at + 1))
        ++n;
    return n;
}

// An editing session on music: 50 seeks of 10 s, back and forth, each timed
// from the key press to the first presented frame that shows the new time.
// The demo paints its whole second into the red channel, so a seek shows as
// a jump of about ten in red.
void seekKeyToScreen(benchmark::State& state) {
    for (auto _ : state) {
        XServer x(320, 240);
        TempDir demo;
        AlsaTestDevice device;
        demo.write("demo.ogg", encodeTone(demo, ToneSpec{.seconds = 60.0}));
        demo.write("time.txt", "0 60 #second\n");
        demo.write("second.ps", "#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n#else\n"
                                "precision mediump float;\n#endif\nuniform float gtime;\n"
                                "void main() { gl_FragColor = vec4(floor(gtime) / 255.0, 0.0, 0.0, 1.0); }\n");
        std::map<std::string, std::string> environment = device.environment();
        environment["DISPLAY"] = x.name();
        // Over the whole screen, as the seeks are read off its middle; the frame
        // count comes from the trace.
        Process player({QUADRELUME_PLAYER, "--edit", "--fullscreen", "--trace", "-"}, demo.path(), environment);
        if (!waitForCentre(x, [](unsigned p) { return p >= 0x010000 && p <= 0x030000; }, 30)) {
            state.SkipWithError("the player did not draw its first seconds");
            return;
        }
        std::mt19937 random(11);
        std::vector<double> latencies;
        for (int seek = 0; seek < 50; ++seek) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 30));
            const unsigned second = x.pixel(x.width() / 2, x.height() / 2) >> 16;
            const bool forward = second < 30;
            auto start = Clock::now();
            x.typeShiftedKeysym(forward ? XK_Right : XK_Left);
            auto moved = [&](unsigned p) {
                unsigned now = p >> 16;
                return forward ? now >= second + 8 : now + 8 <= second;
            };
            if (!waitForCentre(x, moved, 5)) {
                state.SkipWithError("a seek never reached the screen");
                return;
            }
            latencies.push_back(millisecondsSince(start));
        }
        setStatistics(state, latencies, "seek");
        std::size_t before = tracedFrames(player);
        auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        state.counters["frame_ms"] = millisecondsSince(start) / static_cast<double>(tracedFrames(player) - before);
        state.counters["buffer_ms"] = 10.0;  // the music clock's buffers: a hundredth of a second
        player.kill();
    }
}
BENCHMARK(seekKeyToScreen)->Iterations(1)->Unit(benchmark::kMillisecond);

// Starts the example demo (on the timer clock: its music is left out) and
// times the spawn to the first presented frame, which covers the white root.
void exampleStartToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        XServer x(640, 360);
        TempDir demo;
        for (const auto& entry : std::filesystem::directory_iterator(QUADRELUME_EXAMPLE)) {
            if (entry.path().extension() != ".ogg") std::filesystem::copy(entry.path(), demo.path());
        }
        std::vector<double> startups;
        for (int run = 0; run < 5; ++run) {
            auto start = Clock::now();
            Process player({QUADRELUME_PLAYER}, demo.path(), {{"DISPLAY", x.name()}});
            if (!waitForCentre(x, [](unsigned p) { return p != 0xffffff; }, 30)) {
                state.SkipWithError("the example never drew");
                return;
            }
            startups.push_back(millisecondsSince(start));
            player.kill();
            waitForCentre(x, [](unsigned p) { return p == 0xffffff; }, 5);
        }
        setStatistics(state, startups, "startup");
    }
}
BENCHMARK(exampleStartToFirstFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
