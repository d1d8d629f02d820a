// Plays a music file through the real player and follows a script given on
// the command line, printing what the clock reads. The player can exist only
// once per process, so each test runs this in a child process of its own.
//
//   music_probe FILE [if-audible] STEP...
//
// The player is made with PortAudioOgg::create, or with createIfAudible when
// the first step says "if-audible"; when that refuses the output, the probe
// prints the reason it was given, then "portaudio shut down" or "portaudio
// initialised" as PortAudio was left, and tries create on the same machine.
//
// Steps: "play:S" reads currentTime every 2 ms for S seconds and prints each
// reading as "reading <wall seconds> <clock seconds>"; "seek:T" seeks to T
// seconds and prints "seek <wall seconds>"; "stop" and "start" call
// setRunning and print "stop <wall seconds>" or "start <wall seconds>";
// "again" tries to create a second player; "throwing-fatal" installs a fatal
// handler that throws, so that a fatal error raised on this thread ends the
// probe with "fatal <message>" on standard output and exit code 5, while one
// raised on another thread aborts the process. Wall seconds count from the
// return of the creation. The player is deleted at the end.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "clock/port_audio_ogg.h"
#include "platform/fatal.h"
#include "reload/file_data.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct ProbeFatal {
    std::string message;
};

PortAudioOgg* createPlayer(quadrelume::FileData* file, bool ifAudible) {
    if (!ifAudible) return PortAudioOgg::create(file);
    std::string whyNot;
    PortAudioOgg* player = PortAudioOgg::createIfAudible(file, &whyNot);
    if (player != nullptr) return player;
    std::printf("%sportaudio %s\n", whyNot.c_str(),
                Pa_GetDeviceCount() == paNotInitialized ? "shut down" : "initialised");
    std::fflush(stdout);
    return PortAudioOgg::create(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    auto file = quadrelume::loadReloadableFile(argv[1]);
    if (!file) return 3;
    int first = 2;
    bool ifAudible = argc > 2 && std::string(argv[2]) == "if-audible";
    if (ifAudible) ++first;
    quadrelume::TimeSource* clock = createPlayer(file.get(), ifAudible);
    Clock::time_point start = Clock::now();
    try {
        for (int i = first; i < argc; ++i) {
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
                std::printf("%s %.6f\n", step.c_str(), secondsSince(start));
            } else if (step == "again") {
                PortAudioOgg::create(file.get());
            } else if (step == "throwing-fatal") {
                quadrelume::setFatalHandler([](const std::string& message) { throw ProbeFatal{message}; });
            } else {
                return 4;
            }
        }
    } catch (const ProbeFatal& fatal) {
        std::printf("fatal %s\n", fatal.message.c_str());
        delete clock;
        return 5;
    }
    delete clock;  // before the file, which the player reads until its stream is closed
    return 0;
}
