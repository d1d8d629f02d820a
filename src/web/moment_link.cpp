#include "web/moment_link.h"

#include <cstdlib>
#include <string>

#include "capture/frame_schedule.h"

namespace quadrelume {
namespace {

// The latest start a link may name: that of the capture program's --from.
constexpr double latestStart = 1e7;

// Plain decimal notation only: digits with at most one point between or
// around them, nothing else (no sign, exponent or spaces).
bool readSeconds(std::string_view text, MomentLink& link) {
    std::string number(text);
    int digits = 0;
    int points = 0;
    for (char& c : number) {
        if (c == ',') c = '.';
        if (c == '.') ++points;
        else if (c >= '0' && c <= '9') ++digits;
        else return false;
    }
    if (digits == 0 || points > 1) return false;
    const double value = std::strtod(number.c_str(), nullptr);
    if (!(value <= latestStart)) return false;
    const std::optional<std::int64_t> nanoseconds =
        capture::decimalNanoseconds(number, static_cast<std::int64_t>(latestStart) * capture::nanosecondsPerSecond);
    if (!nanoseconds) return false;
    link.start = value;
    link.startNanoseconds = *nanoseconds;
    return true;
}

}  // namespace

MomentLink parseMomentLink(std::string_view fragment) {
    MomentLink link;
    while (!fragment.empty()) {
        const std::size_t amp = fragment.find('&');
        const std::string_view item = fragment.substr(0, amp);
        fragment = amp == std::string_view::npos ? std::string_view() : fragment.substr(amp + 1);
        if (item == "paused") link.paused = true;
        else if (item.substr(0, 2) == "t=") readSeconds(item.substr(2), link);
    }
    return link;
}

}  // namespace quadrelume
