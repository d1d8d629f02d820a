// Plays a music file through the real player and follows a script given on
// the command line, printing what the clock reads. The player can exist only
// once per process, so each test runs this in a child process of its own.
//
//   music_probe FILE STEP...
//
// Steps: "play:S" reads currentTime every 2 ms for S seconds and prints each
// reading as "reading <wall seconds> <clock seconds>"; "seek:T" seeks to T
// seconds and prints "seek <wall seconds>"; "stop" and "start" call
// setRunning; "again" tries to create a second player. Wall seconds count
// from the return of create. The player is deleted at the end.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "clock/port_audio_ogg.h"
#include "reload/file_data.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    auto file = quadrelume::loadReloadableFile(argv[1]);
    if (!file) return 3;
    quadrelume::TimeSource* clock = PortAudioOgg::create(file.get());
    Clock::time_point start = Clock::now();
    for (int i = 2; i < argc; ++i) {
        std::string step = argv[i];
        if (step.rfind("play:", 0) == 0) {
            double until = secondsSince(start) + std::atof(step.c_str() + 5);
            for (double now = secondsSince(start); now < until; now = secondsSince(start)) {
                float reading = clock->currentTime();
                std::printf("reading %.6f %.6f\n", secondsSince(start), static_cast<double>(reading));
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        } else if (step.rfind("seek:", 0) == 0) {
            clock->seek(static_cast<float>(std::atof(step.c_str() + 5)));
            std::printf("seek %.6f\n", secondsSince(start));
        } else if (step == "stop" || step == "start") {
            clock->setRunning(step == "start");
        } else if (step == "again") {
            PortAudioOgg::create(file.get());
        } else {
            return 4;
        }
    }
    delete clock;  // before the file, which the player reads until its stream is closed
    return 0;
}
