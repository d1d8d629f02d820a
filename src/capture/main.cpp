// quadrelume-capture: renders a demo headless at a fixed frame rate into a
// video file with its music, or into PNG frames. See usageText for the
// command line and docs/authoring.md ("Sharing your demo") for the rest.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "shell/shell_state.h"
#include "capture/capture_options.h"
#include "capture/capture_run.h"
#include "capture/copied_vorbis.h"
#include "capture/encoded_music.h"
#include "capture/output_target.h"
#include "capture/png_frames.h"
#include "capture/temporary_output.h"
#include "capture/video_file.h"
#include "clock/ogg_music_decoder.h"
#include "platform/fatal.h"
#include "platform/headless_gl.h"
#include "platform/process_io.h"
#include "timeline/demo_loader.h"

namespace {

using namespace quadrelume;
using namespace quadrelume::capture;
namespace fs = std::filesystem;

constexpr const char* programName = "quadrelume-capture";
constexpr int exitFailed = 1;
constexpr int exitBadOptions = 2;
constexpr int exitInterrupted = 130;

// Ends a line that the progress display may have left open on a terminal.
void endProgressLine() {
    if (platform::standardErrorIsTerminal()) std::fputs("\r\033[K", stderr);
}

// The player libraries' fatal errors: a message and exit code 1, never a
// box, and nothing left of the output. The exit skips the destructors, as
// the failure may come from any thread in the middle of anything.
[[noreturn]] void reportFatal(const std::string& message) {
    std::fflush(stdout);
    endProgressLine();
    std::fprintf(stderr, "%s: %s\n", programName, message.c_str());
    std::fflush(stderr);
    abandonTemporaryOutput();
    std::_Exit(exitFailed);
}

int badOption(const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", programName, message.c_str(),
                 programName);
    return exitBadOptions;
}

int failed(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", programName, message.c_str());
    return exitFailed;
}

std::string rateText(FrameRate rate) {
    if (rate.denominator == 1) return std::to_string(rate.numerator);
    char text[64];
    std::snprintf(text, sizeof text, "%lld/%lld (%.3f)", static_cast<long long>(rate.numerator),
                  static_cast<long long>(rate.denominator),
                  static_cast<double>(rate.numerator) / static_cast<double>(rate.denominator));
    return text;
}

// The sink for `target`, writing into `temporary`, with the music when
// there is some. Throws std::runtime_error when it cannot be set up.
std::unique_ptr<FrameSink> openSink(const OutputTarget& target, const TemporaryOutput& temporary,
                                    const CaptureOptions& options, int quality, const FileData* music,
                                    OggMusicDecoder* decoder) {
    if (target.video == nullptr)
        return std::make_unique<PngFrames>(temporary.path(), target.frames, options.width, options.height, quality);
    std::unique_ptr<AudioTrack> audio;
    if (music != nullptr && target.video->audio == AudioHandling::copyVorbis)
        audio = std::make_unique<CopiedVorbis>(*music, options.from, options.rate);
    else if (decoder != nullptr)
        audio = std::make_unique<EncodedMusic>(*decoder, *target.video, options.rate);
    return std::make_unique<VideoFile>(*target.video, temporary.path(), options.width, options.height, options.rate,
                                       quality, std::move(audio));
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

std::string sizeText(const CaptureOptions& options) {
    return std::to_string(options.width) + "x" + std::to_string(options.height);
}

// What is wrong with the options that can be told before GL and the demo
// are set up; empty when nothing is.
std::string refusal(const CaptureOptions& options, const OutputTarget& target, int quality) {
    if (!platform::isWritableDirectory(target.folder))
        return options.output + ": the folder " + target.folder + " does not exist or cannot be written";
    if (quality < target.quality.lowest || quality > target.quality.highest)
        return "--quality " + std::to_string(quality) + ": the " + target.quality.meaning + " goes from " +
               std::to_string(target.quality.lowest) + " to " + std::to_string(target.quality.highest);
    if (target.video != nullptr && (options.width % 2 != 0 || options.height % 2 != 0))
        return "--size " + sizeText(options) + ": video in yuv420p needs an even width and height";
    std::error_code ignored;
    if (!options.demoFolder.empty() && !fs::is_directory(options.demoFolder, ignored))
        return "--demo " + options.demoFolder + ": no such folder";
    return {};
}

void printSummary(const OutputTarget& target, const CaptureOptions& options, const FrameSchedule& schedule,
                  const CaptureOutcome& outcome, bool withMusic, double seconds) {
    std::fprintf(stderr, "%s: wrote %s: %lld frame%s at %s, %s fps, demo time %s to %s%s%s, in %.1f s (%.1f fps)\n",
                 programName, target.path.c_str(), static_cast<long long>(outcome.frames),
                 outcome.frames == 1 ? "" : "s", sizeText(options).c_str(), rateText(options.rate).c_str(),
                 secondsText(schedule.from).c_str(), secondsText(schedule.from + schedule.offsetOf(outcome.frames)).c_str(),
                 outcome.halted ? ", ended by halt()" : "", withMusic ? ", with music" : "", seconds,
                 seconds > 0.0 ? static_cast<double>(outcome.frames) / seconds : 0.0);
}

// Everything after the command line was read; gives the exit code.
int runCommand(const CaptureOptions& options) {
    OutputTarget target;
    std::string error;
    if (!resolveOutputTarget(options.output, target, error)) return badOption(error);
    const int quality = options.quality.value_or(target.quality.standard);
    error = refusal(options, target, quality);
    if (!error.empty()) return badOption(error);

    // The trace file is named relative to where the program started; the
    // libraries' console lines (shader scans, image loads) join the frame
    // trace there, or go nowhere, but never mix with the messages here.
    const std::string tracePath = options.traceFile.empty() ? "" : fs::absolute(options.traceFile).string();
    if (!platform::redirectStandardOutput(tracePath))
        return badOption("--trace " + options.traceFile + ": cannot be written");
    // Shaders, textures and the music are found relative to the demo folder.
    if (!options.demoFolder.empty()) {
        std::error_code failure;
        fs::current_path(options.demoFolder, failure);
        if (failure) return badOption("--demo " + options.demoFolder + ": " + failure.message());
    }

    const int largest = platform::maximumHeadlessSize();
    if (options.width > largest || options.height > largest)
        return badOption("--size " + sizeText(options) + ": this GL draws at most " + std::to_string(largest) +
                         " pixels wide and high");
    platform::initHeadlessGl(options.width, options.height);
    windowWidth = options.width;
    windowHeight = options.height;

    std::unique_ptr<ReloadableFileData> timelineFile = loadReloadableFile("time.txt");
    if (!timelineFile) fatal("Could not load the timeline file time.txt from the current directory");
    std::unique_ptr<Demo> demo(loadDemo(timelineFile.get(), stdout));
    const double to = options.to.value_or(static_cast<double>(demo->endTime));
    if (!(options.from < to))
        return badOption("nothing to capture: --from " + secondsText(options.from) + " is not before " +
                         (options.to ? "--to " : "the end of the timeline, ") + secondsText(to));
    const FrameSchedule schedule{options.from, options.rate, frameCount(options.from, to, options.rate)};

    // The player's checks and messages for the music, before any rendering;
    // PNG frames have no use for it.
    std::unique_ptr<ReloadableFileData> music;
    if (target.video != nullptr) music = loadReloadableFile("demo.ogg");
    std::unique_ptr<OggMusicDecoder> decoder;
    if (music) {
        decoder = std::make_unique<OggMusicDecoder>(music.get());
        decoder->requestSeek(options.from);
    }

    const std::string name = target.video != nullptr ? fs::path(target.path).filename().string() : "frames";
    std::unique_ptr<TemporaryOutput> temporary;
    std::unique_ptr<FrameSink> sink;
    try {
        temporary = std::make_unique<TemporaryOutput>(target.folder, name, target.video == nullptr);
        sink = openSink(target, *temporary, options, quality, music.get(), decoder.get());
    } catch (const std::exception& e) {
        return failed(e.what());
    }

    platform::catchInterrupts();
    Progress progress(schedule.count, platform::standardErrorIsTerminal());
    const CaptureOutcome outcome = runCapture(
        *demo, schedule, options.width, options.height, *sink, [] { return platform::interruptRequested(); },
        &progress);
    progress.clear();
    sink.reset();
    if (outcome.interrupted) {
        temporary->abandon();
        std::fprintf(stderr, "%s: interrupted; nothing was written\n", programName);
        return exitInterrupted;
    }
    if (!outcome.error.empty()) {
        temporary->abandon();
        return failed(outcome.error);
    }
    try {
        temporary->commit(target.path);
    } catch (const std::exception& e) {
        return failed(e.what());
    }
    printSummary(target, options, schedule, outcome, music != nullptr, progress.elapsedSeconds());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    setFatalHandler(reportFatal);
    // FFmpeg's notes on its settings and statistics would bury the progress
    // line; its errors still show, and every failure is reported here too.
    av_log_set_level(AV_LOG_ERROR);
    const Command command = parseCommandLine(argc, argv);
    switch (command.kind) {
        case Command::Kind::help: std::fputs(usageText().c_str(), stdout); return 0;
        case Command::Kind::version: std::printf("%s %s\n", programName, QUADRELUME_VERSION); return 0;
        case Command::Kind::invalid: return badOption(command.error);
        case Command::Kind::capture: break;
    }
    return runCommand(command.options);
}
