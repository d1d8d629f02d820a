// Benchmarks of the sync tracks: the per-frame cost of track("NAME") in a
// timeline, and how fast a burst of keys from an editor is taken in, in
// either row order.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "support/fake_editor.h"
#include "support/temp_dir.h"
#include "sync/sync_client.h"
#include "sync/track_set.h"
#include "timeline/demo.h"
#include "timeline/demo_loader.h"

namespace {

using namespace quadrelume;

constexpr int trackCount = 100;
constexpr int keysPerTrack = 1000;

// A folder with no track files, so that every track starts empty.
struct EmptyFolder {
    testing::TempDir dir;
    EmptyFolder() {
        if (chdir(dir.path().c_str()) != 0) std::abort();
        sync::trackSet().clear();
        sync::trackSet().setTrace(std::fopen("/dev/null", "w"));
    }
    ~EmptyFolder() {
        sync::trackSet().clear();
        if (chdir("/") != 0) std::abort();
    }
};

// 100 timeline lines "vN = track("tN")" over tracks of 1,000 keys each (a
// key every 8 rows, all four types), run as in a frame, without the trace:
// what track() adds to a frame.
void trackLookupsPerFrame(benchmark::State& state) {
    EmptyFolder folder;
    std::string text;
    for (int i = 0; i < trackCount; ++i)
        text += "0 1000 v" + std::to_string(i) + " = track(\"t" + std::to_string(i) + "\")\n";
    FileData file(text);
    std::unique_ptr<Demo> demo(loadDemo(&file, std::fopen("/dev/null", "w")));
    for (int i = 0; i < trackCount; ++i) {
        sync::Track& track = sync::trackSet()[i];
        track.takeOverForEditor();
        for (int k = 0; k < keysPerTrack; ++k)
            track.editorKeys().push_back(
                {static_cast<std::uint32_t>(k * 8), static_cast<float>((k * 7 + i) % 13), static_cast<sync::KeyType>(k % 4)});
    }
    float t = 0.0f;
    for (auto _ : state) {
        for (auto& range : demo->ranges) range->render(t);
        t += 1.0f / 60.0f;
        if (t > 500.0f) t = 0.0f;  // the keys span 8,000 rows: 500 s
    }
    benchmark::DoNotOptimize(demo->variables.find("v99")->number);
    // Seconds per frame; the report prints it with a "u" suffix for µs.
    state.counters["per_frame"] =
        benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(trackLookupsPerFrame);

struct NoControls : sync::EditorControls {
    void editorSeek(std::uint32_t) override {}
    void editorPause(bool) override {}
};

// A client of the process's tracks for `editor`, on loopback.
sync::SyncClient clientOf(const testing::FakeEditor& editor) {
    std::string error;
    return sync::SyncClient(platform::resolveAddresses("127.0.0.1", editor.port(), &error), sync::trackSet(),
                            std::fopen("/dev/null", "w"));
}

// Connects `client` to `editor` and waits until the editor was asked for
// `tracks` tracks; false when the client does not connect.
bool connect(sync::SyncClient& client, testing::FakeEditor& editor, NoControls& controls, std::size_t tracks) {
    client.update(controls);
    if (!editor.accept(5.0)) return false;
    while (!client.connected()) client.update(controls);
    editor.waitUntil([&] { return editor.trackNames.size() == tracks; }, 5.0);
    return true;
}

// 10,000 SET_KEY commands (100 keys on each of 100 tracks) that an editor on
// loopback sends at once, between two frames: the time of the next frame's
// update, which takes them in and applies them, and how many frames' updates
// it took to apply them all (1: all by the next frame).
void keyBurst(benchmark::State& state) {
    EmptyFolder folder;
    for (int i = 0; i < trackCount; ++i) sync::trackSet().use("t" + std::to_string(i));
    testing::FakeEditor editor;
    sync::SyncClient client = clientOf(editor);
    NoControls controls;
    if (!connect(client, editor, controls, trackCount)) {
        state.SkipWithError("the client did not connect");
        return;
    }

    std::uint32_t row = 0;
    double worstMs = 0.0;
    std::int64_t mostFrames = 0;
    for (auto _ : state) {
        std::string burst;
        for (int k = 0; k < 100; ++k, ++row)
            for (int i = 0; i < trackCount; ++i) burst += testing::FakeEditor::setKey(i, row, 1.0f, 1);
        const std::size_t expected = sync::trackSet()[trackCount - 1].keys().size() + 100;
        // Sent from a thread of its own, as the editor's process would, while
        // the frame loop is between frames (a 60 Hz frame's 16 ms).
        std::thread sender([&] { editor.send(burst); });
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
        std::int64_t frames = 0;
        double firstMs = 0.0;
        do {
            const auto start = std::chrono::steady_clock::now();
            client.update(controls);
            if (frames++ == 0)
                firstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(16));
        } while (sync::trackSet()[trackCount - 1].keys().size() < expected);
        sender.join();
        state.SetIterationTime(firstMs / 1000.0);
        worstMs = std::max(worstMs, firstMs);
        mostFrames = std::max(mostFrames, frames);
    }
    state.counters["worst_ms"] = worstMs;
    state.counters["frames"] = static_cast<double>(mostFrames);
}
BENCHMARK(keyBurst)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// 100,000 SET_KEY commands for one track, sent at once by an editor on
// loopback, in ascending row order (argument 0) or descending (1): the time
// the frames' updates spend taking them in until every key is in place, and
// the longest single update, which is how long the demo's picture stands
// still. Both orders should cost the same.
void keyFlood(benchmark::State& state) {
    constexpr std::uint32_t keyCount = 100000;
    const bool descending = state.range(0) == 1;
    EmptyFolder folder;
    sync::trackSet().use("flood");
    testing::FakeEditor editor;
    sync::SyncClient client = clientOf(editor);
    NoControls controls;
    if (!connect(client, editor, controls, 1)) {
        state.SkipWithError("the client did not connect");
        return;
    }

    std::string burst;
    for (std::uint32_t k = 0; k < keyCount; ++k)
        burst += testing::FakeEditor::setKey(0, descending ? keyCount - 1 - k : k, static_cast<float>(k), 1);
    double longestMs = 0.0;
    for (auto _ : state) {
        sync::trackSet()[0].editorKeys().clear();
        std::thread sender([&] { editor.send(burst); });
        double totalMs = 0.0;
        while (sync::trackSet()[0].keys().size() < keyCount) {
            const auto start = std::chrono::steady_clock::now();
            client.update(controls);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            totalMs += ms;
            longestMs = std::max(longestMs, ms);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sender.join();
        state.SetIterationTime(totalMs / 1000.0);
    }
    state.counters["longest_ms"] = longestMs;
}
BENCHMARK(keyFlood)->Arg(0)->Arg(1)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
