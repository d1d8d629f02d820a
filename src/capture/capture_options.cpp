#include "capture/capture_options.h"

#include <charconv>
#include <numeric>
#include <string_view>
#include <vector>

#include "capture/option_table.h"
#include "capture/output_target.h"

namespace quadrelume::capture {
namespace {

constexpr int largestSide = 65535;
constexpr std::int64_t largestRateTerm = 1000000;
constexpr std::int64_t fastestRate = 1000;

// Reads all of `text` as an integer.
template <typename Integer>
bool readInteger(std::string_view text, Integer& value) {
    const char* end = text.data() + text.size();
    auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end && !text.empty();
}

bool readTime(std::string_view text, std::int64_t& nanoseconds) {
    std::optional<std::int64_t> exact = decimalNanoseconds(text, latestCaptureNanoseconds);
    if (exact) nanoseconds = *exact;
    return exact.has_value();
}

bool readSize(std::string_view text, int& width, int& height) {
    std::size_t x = text.find_first_of("xX");
    return x != std::string_view::npos && readInteger(text.substr(0, x), width) &&
           readInteger(text.substr(x + 1), height) && width > 0 && height > 0 && width <= largestSide &&
           height <= largestSide;
}

// "N", "N/D" or a decimal "N.F" (taken as the exact fraction NF / 10^|F|).
bool readRate(std::string_view text, FrameRate& rate) {
    std::int64_t numerator = 0;
    std::int64_t denominator = 1;
    std::size_t slash = text.find('/');
    std::size_t point = text.find('.');
    if (slash != std::string_view::npos) {
        if (!readInteger(text.substr(0, slash), numerator) || !readInteger(text.substr(slash + 1), denominator))
            return false;
    } else if (point != std::string_view::npos) {
        std::string_view fraction = text.substr(point + 1);
        if (fraction.size() > 6) return false;
        std::string digits = std::string(text.substr(0, point)) + std::string(fraction);
        if (!readInteger(std::string_view(digits), numerator)) return false;
        for (std::size_t i = 0; i < fraction.size(); ++i) denominator *= 10;
    } else if (!readInteger(text, numerator)) {
        return false;
    }
    if (numerator <= 0 || denominator <= 0) return false;
    std::int64_t common = std::gcd(numerator, denominator);
    numerator /= common;
    denominator /= common;
    if (numerator > largestRateTerm || denominator > largestRateTerm) return false;
    // A frame lasts at most a second: slower rates make a video whose
    // single frame outlasts the capture many times over.
    if (numerator > fastestRate * denominator || numerator < denominator) return false;
    rate = {numerator, denominator};
    return true;
}

const ValueOption<CaptureOptions> valueOptions[] = {
    {"--size", "WIDTHxHEIGHT of positive integers, such as 1280x720",
     [](std::string_view v, CaptureOptions& o) { return readSize(v, o.width, o.height); }},
    {"--fps", "a frame rate from 1 to 1000, such as 60, 29.97 or 30000/1001",
     [](std::string_view v, CaptureOptions& o) { return readRate(v, o.rate); }},
    {"--from", "a time in seconds from 0 to 10000000",
     [](std::string_view v, CaptureOptions& o) { return readTime(v, o.from); }},
    {"--to", "a time in seconds from 0 to 10000000",
     [](std::string_view v, CaptureOptions& o) {
         std::int64_t to = 0;
         if (!readTime(v, to)) return false;
         o.to = to;
         return true;
     }},
    {"--quality", "an integer",
     [](std::string_view v, CaptureOptions& o) {
         int quality = 0;
         if (!readInteger(v, quality)) return false;
         o.quality = quality;
         return true;
     }},
    {"--trace", "a file name",
     [](std::string_view v, CaptureOptions& o) {
         o.traceFile = v;
         return !v.empty();
     }},
    {"--demo", "a folder",
     [](std::string_view v, CaptureOptions& o) {
         o.demoFolder = v;
         return !v.empty();
     }},
};

Command invalid(std::string error) {
    Command command;
    command.kind = Command::Kind::invalid;
    command.error = std::move(error);
    return command;
}

}  // namespace

Command parseCommandLine(int argc, const char* const* argv) {
    Command command;
    const Arguments read =
        readArguments(argc, argv, std::span<const ValueOption<CaptureOptions>>(valueOptions), command.options);
    switch (read.kind) {
        case Arguments::Kind::help: return Command{Command::Kind::help, {}, {}};
        case Arguments::Kind::version: return Command{Command::Kind::version, {}, {}};
        case Arguments::Kind::invalid: return invalid(read.error);
        case Arguments::Kind::run: break;
    }
    if (read.operands.empty()) return invalid("no OUTPUT given");
    if (read.operands.size() > 1) return invalid("more than one OUTPUT given: " + std::string(read.operands[1]));
    command.kind = Command::Kind::capture;
    command.options.output = read.operands[0];
    return command;
}

std::string usageText() {
    std::string text =
        "usage: quadrelume-capture [options] OUTPUT\n"
        "\n"
        "Renders the demo of the current folder (or of --demo DIR) frame by frame,\n"
        "without a window, into a video with its music or into PNG frames.\n"
        "\n"
        "OUTPUT:\n";
    for (const VideoFormat& format : videoFormats)
        text += "  NAME" + std::string(format.extension) + std::string(11 - format.extension.size(), ' ') +
                format.description + "\n";
    text +=
        "  NAME%05d.png   PNG frames numbered from 0 (any %d, %Nd or %0Nd)\n"
        "  FOLDER         PNG frames 00000.png, 00001.png, ... in an existing folder\n"
        "\n"
        "options:\n"
        "  --demo DIR     the demo folder (default: the current folder)\n"
        "  --size WxH     frame size in pixels (default 1920x1080)\n"
        "  --fps RATE     frames per second: 60 (the default), 29.97 or 30000/1001\n"
        "  --from S       demo time of the first frame, in seconds (default 0)\n"
        "  --to S         demo time where the capture ends (default: the end of the timeline)\n"
        "  --quality N    ";
    bool first = true;
    for (const VideoFormat& format : videoFormats) {
        if (format.extension == ".mkv") continue;  // the same scale as .mp4
        if (!first) text += "                 ";
        first = false;
        text += std::string(format.extension == ".mp4" ? "mp4, mkv" : format.extension.substr(1)) + ": " +
                format.quality.meaning + " " +
                std::to_string(format.quality.lowest) + "-" + std::to_string(format.quality.highest) +
                ", lower is better (default " + std::to_string(format.quality.standard) + ")\n";
    }
    text += "                 png: " + std::string(pngQuality.meaning) + " " + std::to_string(pngQuality.lowest) +
            "-" + std::to_string(pngQuality.highest) + " (default " + std::to_string(pngQuality.standard) + ")\n";
    text +=
        "  --trace FILE   write the player's console trace to FILE (default: nowhere)\n"
        "  --help         show this text\n"
        "  --version      show the version\n"
        "\n"
        "Frame i shows the demo at FROM + i / RATE; the script's halt() ends the\n"
        "capture after its frame. Exit codes: 0 done, 1 failed, 2 bad options,\n"
        "130 interrupted. No output is left behind unless the capture completes;\n"
        "a --trace file is written once every check has passed.\n";
    return text;
}

}  // namespace quadrelume::capture
