#include "capture/capture_checks.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "capture/video_file.h"
#include "platform/process_io.h"
#include "reload/demo_files.h"

namespace quadrelume::capture {
namespace {

namespace fs = std::filesystem;

std::string sizeText(const CaptureOptions& options) {
    return std::to_string(options.width) + "x" + std::to_string(options.height);
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

// `path` made absolute, with every link that exists followed.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path real = fs::weakly_canonical(fs::absolute(path), error);
    return error ? fs::absolute(path).lexically_normal() : real;
}

}  // namespace

std::string outputRefusal(const CaptureOptions& options, const OutputTarget& target, int quality) {
    if (!platform::isWritableDirectory(target.folder))
        return options.output + ": the folder " + target.folder + " does not exist or cannot be written";
    if (quality < target.quality.lowest || quality > target.quality.highest)
        return "--quality " + std::to_string(quality) + ": the " + target.quality.meaning + " goes from " +
               std::to_string(target.quality.lowest) + " to " + std::to_string(target.quality.highest);
    if (target.video != nullptr && (options.width % 2 != 0 || options.height % 2 != 0))
        return "--size " + sizeText(options) + ": video in yuv420p needs an even width and height";
    if (target.video != nullptr && !videoSizeFits(options.width, options.height))
        return "--size " + sizeText(options) + ": too large for FFmpeg's video encoders (some 268 million pixels, " +
               "borders included); capture PNG frames instead";
    std::error_code ignored;
    if (!options.demoFolder.empty() && !fs::is_directory(options.demoFolder, ignored))
        return "--demo " + options.demoFolder + ": no such folder";
    return {};
}

std::string traceRefusal(const CaptureOptions& options, const OutputTarget& target) {
    if (options.traceFile.empty()) return {};
    const std::string refused = "--trace " + options.traceFile + ": ";
    const std::string demo = options.demoFolder.empty() ? "." : options.demoFolder;
    if (std::optional<std::string> own = demoFileAt(options.traceFile, demo))
        return refused + "that is one of the demo's own files (" + *own + "); name another file";
    if (target.video != nullptr && resolved(options.traceFile) == resolved(target.path))
        return refused + "that is the output";
    if (!platform::isWritableFile(fs::absolute(options.traceFile).string())) return refused + "cannot be written";
    return {};
}

std::string spanRefusal(const CaptureOptions& options, double timelineEnd) {
    if (!options.to && !(timelineEnd <= latestCaptureTime))
        return "the timeline ends at " + secondsText(timelineEnd) + " s, past the latest time a capture reaches (" +
               secondsText(latestCaptureTime) + " s); give --to";
    if (!(options.from < (options.to ? *options.to : nanosecondsAtOrAfter(timelineEnd))))
        return "nothing to capture: --from " + secondsText(secondsOf(options.from)) + " is not before " +
               (options.to ? "--to " + secondsText(secondsOf(*options.to))
                           : "the end of the timeline, " + secondsText(timelineEnd));
    return {};
}

}  // namespace quadrelume::capture
