#include "timeline/timeline_line.h"

#include <cstdlib>

namespace quadrelume {

namespace {

// White space as the C library's formatted input knows it.
bool isWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Moves `at` past white space, then returns the run of other characters that
// follows (empty at the end of the line).
std::string_view nextToken(std::string_view line, std::size_t& at) {
    while (at < line.size() && isWhite(line[at])) ++at;
    std::size_t begin = at;
    while (at < line.size() && !isWhite(line[at])) ++at;
    return line.substr(begin, at - begin);
}

}  // namespace

bool isBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

float parseTimeToken(std::string_view token) {
    std::string text(token);
    for (char& c : text) {
        if (c == ',') c = '.';
    }
    // atof's reading, narrowed to the float the timeline works in.
    return static_cast<float>(std::strtod(text.c_str(), nullptr));
}

std::optional<TimelineLine> parseTimelineLine(std::string_view line) {
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view startText = nextToken(line, at);
    std::string_view endText = nextToken(line, at);
    if (startText.empty() || endText.empty()) return std::nullopt;
    while (at < line.size() && isWhite(line[at])) ++at;

    TimelineLine parsed;
    parsed.start = parseTimeToken(startText);
    parsed.end = parseTimeToken(endText);
    parsed.action.assign(line.substr(at));
    return parsed;
}

}  // namespace quadrelume
