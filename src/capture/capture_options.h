// The command line of quadrelume-capture.
#pragma once

#include <optional>
#include <string>

#include "capture/frame_schedule.h"

namespace quadrelume::capture {

// The latest time --from and --to take, and a timeline's end may have for
// a capture to reach it: over 115 days, far past any demo, and frame
// counts stay small integers.
constexpr double latestCaptureTime = 1e7;
constexpr std::int64_t latestCaptureNanoseconds = 10000000 * nanosecondsPerSecond;

// Everything the command line can set, as given (paths not yet resolved).
struct CaptureOptions {
    std::string output;
    std::string demoFolder;  // empty: the current directory
    std::string traceFile;   // empty: the trace goes nowhere
    int width = 1920;
    int height = 1080;
    FrameRate rate;          // 60 by default
    // Demo times in nanoseconds, exactly as typed (see decimalNanoseconds).
    std::int64_t from = 0;
    std::optional<std::int64_t> to;  // none: the timeline's end time
    std::optional<int> quality;     // none: the output's standard quality
};

// What the command line asks for.
struct Command {
    enum class Kind { capture, help, version, invalid };
    Kind kind = Kind::invalid;
    CaptureOptions options;  // for capture
    std::string error;       // for invalid: what is wrong, in one line
};

// Reads argv[1 .. argc-1]: options in the forms "--name value" and
// "--name=value" in any order, "--" ending them, and exactly one OUTPUT.
// --help or --version anywhere wins over everything else. Values are checked
// for form and sign here (a size of two positive integers "WxH" up to 65535,
// a frame rate of a positive integer, decimal or fraction "N/D" with N and D
// up to 1,000,000 and from 1 to 1,000 frames per second, times in decimal
// from 0 to latestCaptureTime seconds, read exactly to the nanosecond, an
// integer quality); what depends on the
// output, the demo or GL is checked later.
Command parseCommandLine(int argc, const char* const* argv);

// The --help text, ending in a newline.
std::string usageText();

}  // namespace quadrelume::capture
