// quadrelume-capture: renders a demo headless at a fixed frame rate into a
// video file with its music, or into PNG frames. See usageText for the
// command line and docs/authoring.md ("Sharing your demo") for the rest.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "shell/shell_state.h"
#include "capture/capture_checks.h"
#include "capture/capture_options.h"
#include "capture/capture_run.h"
#include "capture/copied_vorbis.h"
#include "capture/exits.h"
#include "capture/encoded_music.h"
#include "capture/output_target.h"
#include "capture/png_frames.h"
#include "capture/temporary_output.h"
#include "capture/video_file.h"
#include "analysis/demo_music.h"
#include "clock/ogg_music_decoder.h"
#include "platform/fatal.h"
#include "platform/headless_gl.h"
#include "platform/process_io.h"
#include "timeline/demo_loader.h"

namespace {

using namespace quadrelume;
using namespace quadrelume::capture;
namespace fs = std::filesystem;

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
                                    const CaptureOptions& options, const FrameSchedule& schedule, int quality,
                                    const FileData* music, OggMusicDecoder* decoder) {
    if (target.video == nullptr)
        return std::make_unique<PngFrames>(temporary.path(), target.frames, options.width, options.height, quality);
    std::unique_ptr<AudioTrack> audio;
    if (music != nullptr && target.video->audio == AudioHandling::copyVorbis)
        audio = std::make_unique<CopiedVorbis>(*music, schedule);
    else if (decoder != nullptr)
        audio = std::make_unique<EncodedMusic>(*decoder, *target.video, secondsOf(options.from), options.rate);
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

void printSummary(const OutputTarget& target, const CaptureOptions& options, const FrameSchedule& schedule,
                  const CaptureOutcome& outcome, bool withMusic, double seconds, std::int64_t staleFrames) {
    std::fprintf(stderr, "%s: wrote %s: %lld frame%s at %s, %s fps, demo time %s to %s%s%s, in %.1f s (%.1f fps)\n",
                 programName(), target.path.c_str(), static_cast<long long>(outcome.frames),
                 outcome.frames == 1 ? "" : "s", sizeText(options).c_str(), rateText(options.rate).c_str(),
                 secondsText(secondsOf(schedule.from)).c_str(),
                 secondsText(secondsOf(schedule.from) + schedule.offsetOf(outcome.frames)).c_str(),
                 outcome.halted ? ", ended by halt()" : "", withMusic ? ", with music" : "", seconds,
                 seconds > 0.0 ? static_cast<double>(outcome.frames) / seconds : 0.0);
    if (staleFrames > 0)
        std::fprintf(stderr, "%s: removed %lld later frame%s left in %s by an earlier capture\n", programName(),
                     static_cast<long long>(staleFrames), staleFrames == 1 ? "" : "s", target.folder.c_str());
}

// Says what drawing the buffers' past before the first frame took.
void reportCatchUp(const FrameSchedule& schedule, const CatchUpOutcome& caughtUp) {
    std::fprintf(stderr, "%s: drew %lld earlier frame%s first, from demo time %s, for the buffers' feedback, in %.1f s\n",
                 programName(), static_cast<long long>(caughtUp.frames), caughtUp.frames == 1 ? "" : "s",
                 secondsText(secondsOf(schedule.from) + schedule.offsetOf(-caughtUp.frames)).c_str(), caughtUp.seconds);
}

// Renders and writes the capture once every check has passed, the demo
// folder is the current directory and standard output is the trace; gives
// the exit code.
int renderCapture(const CaptureOptions& options, const OutputTarget& target, int quality,
                  std::unique_ptr<ReloadableFileData> timelineFile) {
    platform::initHeadlessGl(options.width, options.height);
    windowWidth = options.width;
    windowHeight = options.height;
    std::unique_ptr<Demo> demo(loadDemo(timelineFile.get(), stdout));
    const std::int64_t to = options.to ? *options.to : nanosecondsAtOrAfter(demo->endTime);
    const FrameSchedule schedule{options.from, options.rate, frameCount(options.from, to, options.rate)};

    // The player's checks and messages for the music, before any rendering;
    // PNG frames have no use for it.
    std::unique_ptr<ReloadableFileData> music;
    if (target.video != nullptr) music = loadReloadableFile("demo.ogg");
    if (music) requireRegularFile(*music);
    std::unique_ptr<OggMusicDecoder> decoder;
    if (music) decoder = std::make_unique<OggMusicDecoder>(music.get());
    // The music the pictures follow, in PNG frames too: read and analysed
    // only once a frame asks for it.
    analysis::DemoMusic pictureMusic("demo.ogg");

    const std::string name = target.video != nullptr ? fs::path(target.path).filename().string() : "frames";
    std::unique_ptr<TemporaryOutput> temporary;
    std::unique_ptr<FrameSink> sink;
    Progress progress(schedule.count, progressIsLive());
    CaptureOutcome outcome;
    try {
        temporary = std::make_unique<TemporaryOutput>(target.folder, name, target.video == nullptr);
        sink = openSink(target, *temporary, options, schedule, quality, music.get(), decoder.get());
        const CatchUpOutcome caughtUp = catchUpBuffers(*demo, schedule, options.width, options.height, shouldStop);
        if (caughtUp.interrupted) {
            sink.reset();
            return reportStop();
        }
        if (caughtUp.frames > 0) reportCatchUp(schedule, caughtUp);
        outcome = runCapture(*demo, schedule, options.width, options.height, *sink, shouldStop, &progress, leaveNow);
    } catch (const std::bad_alloc&) {
        sink.reset();
        progress.clear();
        temporary.reset();
        return failed("not enough memory for frames of " + sizeText(options));
    } catch (const std::exception& e) {
        sink.reset();
        return failed(e.what());
    }
    progress.clear();
    sink.reset();
    if (outcome.interrupted) return reportStop();
    if (!outcome.error.empty()) {
        temporary->abandon();
        return failed(outcome.error);
    }
    // Up to the last moment, an interruption or a broken trace still counts.
    if (shouldStop()) return reportStop();
    std::int64_t staleFrames = 0;
    try {
        temporary->commit(target.path);
        if (target.video == nullptr) staleFrames = removeFramesFrom(target.folder, target.frames, outcome.frames);
    } catch (const std::exception& e) {
        return failed(e.what());
    }
    printSummary(target, options, schedule, outcome, music != nullptr, progress.elapsedSeconds(), staleFrames);
    if (decoder && decoder->damagedFrames() > 0)
        std::fprintf(stderr, "%s: demo.ogg is damaged: %.2f s of its music could not be decoded in place and are "
                             "silence in the video, every other sample at its own time\n",
                     programName(), static_cast<double>(decoder->damagedFrames()) / decoder->rate());
    return 0;
}

// Everything after the command line was read; gives the exit code.
int runCommand(const CaptureOptions& options) {
    prepareExits(options.traceFile);
    OutputTarget target;
    std::string error;
    if (!resolveOutputTarget(options.output, target, error)) return badOption(error);
    const int quality = options.quality.value_or(target.quality.standard);
    for (const std::string& refused : {outputRefusal(options, target, quality), traceRefusal(options, target)})
        if (!refused.empty()) return badOption(refused);

    // The trace file is named relative to where the program started.
    const std::string tracePath = options.traceFile.empty() ? "" : fs::absolute(options.traceFile).string();
    // Shaders, textures and the music are found relative to the demo folder.
    if (!options.demoFolder.empty()) {
        std::error_code failure;
        fs::current_path(options.demoFolder, failure);
        if (failure) return badOption("--demo " + options.demoFolder + ": " + failure.message());
    }
    std::unique_ptr<ReloadableFileData> timelineFile = loadReloadableFile("time.txt");
    if (!timelineFile) fatal("Could not load the timeline file time.txt from the current directory");
    requireRegularFile(*timelineFile);
    error = spanRefusal(options, timelineEndTime(*timelineFile));
    if (!error.empty()) return badOption(error);
    const int largest = platform::maximumHeadlessSize();
    if (options.width > largest || options.height > largest)
        return badOption("--size " + sizeText(options) + ": this GL draws at most " + std::to_string(largest) +
                         " pixels wide and high");

    // Every check has passed, and the trace starts. The libraries' console
    // lines (timeline lines, shader scans, image loads) join the frame trace
    // there, or go nowhere, but never mix with the messages here.
    if (!platform::redirectStandardOutput(tracePath))
        return badOption("--trace " + options.traceFile + ": cannot be written");
    return renderCapture(options, target, quality, std::move(timelineFile));
}

}  // namespace

int main(int argc, char** argv) {
    // FFmpeg's notes on its settings and statistics would bury the progress
    // line; its errors still show, and every failure is reported here too.
    av_log_set_level(AV_LOG_ERROR);
    const Command command = parseCommandLine(argc, argv);
    switch (command.kind) {
        case Command::Kind::help: std::fputs(usageText().c_str(), stdout); return 0;
        case Command::Kind::version: std::printf("%s %s\n", programName(), QUADRELUME_VERSION); return 0;
        case Command::Kind::invalid: return badOption(command.error);
        case Command::Kind::capture: break;
    }
    return runCommand(command.options);
}
