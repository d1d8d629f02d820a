// One line of a timeline file, taken apart.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quadrelume {

// The parts of a timeline line: "<start> <end> <action>".
struct TimelineLine {
    float start = 0.0f;   // seconds
    float end = 0.0f;     // seconds
    std::string action;   // the rest of the line, unchanged
};

// Whether `line` is empty or holds only spaces and tabs. Blank lines build
// nothing and print nothing, but still take a line number.
bool isBlankLine(std::string_view line);

// Converts one time token: every comma counts as a decimal point, then the
// longest beginning that reads as a decimal floating-point number (optional
// sign, digits, fraction, exponent, as atof reads it) gives the value, and a
// token without one gives 0. "12,5" and "12.5" are the same time; "1,000" is
// 1 and "5s" is 5.
float parseTimeToken(std::string_view token);

// Splits a non-blank line. After leading spaces and tabs come two tokens,
// runs of characters other than white space, separated by white space; the
// action starts at the first character after the end token that is not
// white space and runs to the end of the line, blanks and all. A line that
// does not hold two tokens gives nothing.
std::optional<TimelineLine> parseTimelineLine(std::string_view line);

}  // namespace quadrelume
