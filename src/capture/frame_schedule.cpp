#include "capture/frame_schedule.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace quadrelume::capture {
namespace {

using Wide = __int128;

// Decimal digits that a count of nanoseconds up to 2^63 may have.
constexpr std::size_t longestCount = 18;

int bitLength(Wide value) {
    int bits = 0;
    for (; value > 0; value >>= 1) ++bits;
    return bits;
}

// numerator / denominator (numerator at least 0, denominator above 0; both
// below 2^100) as the nearest float, ties to even: the 24 bits of the float
// come from one integer division, so the result is rounded once.
float nearestFloat(Wide numerator, Wide denominator) {
    if (numerator == 0) return 0.0f;
    constexpr Wide lowest = Wide(1) << 23;
    constexpr Wide highest = Wide(1) << 24;
    int exponent = bitLength(numerator) - bitLength(denominator) - 24;
    Wide top = 0;
    Wide bottom = 0;
    Wide mantissa = 0;
    for (;;) {
        top = exponent >= 0 ? numerator : numerator << -exponent;
        bottom = exponent >= 0 ? denominator << exponent : denominator;
        mantissa = top / bottom;
        if (mantissa >= highest) ++exponent;
        else if (mantissa < lowest) --exponent;
        else break;
    }
    const Wide twiceRest = 2 * (top - mantissa * bottom);
    if (twiceRest > bottom || (twiceRest == bottom && (mantissa & 1) != 0)) ++mantissa;
    return std::ldexp(static_cast<float>(mantissa), exponent);
}

// from + index / rate as the fraction (from × numerator + index ×
// denominator × 10^9) / (numerator × 10^9) seconds.
Wide frameTimeNumerator(const FrameSchedule& schedule, std::int64_t index) {
    return Wide(schedule.from) * schedule.rate.numerator +
           Wide(index) * schedule.rate.denominator * nanosecondsPerSecond;
}

Wide frameTimeDenominator(const FrameSchedule& schedule) {
    return Wide(schedule.rate.numerator) * nanosecondsPerSecond;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::int64_t> decimalNanoseconds(std::string_view text, std::int64_t largest) {
    // The digits of the number without its point, and the power of ten
    // they are to be multiplied by.
    std::string digits;
    std::int64_t power = 0;
    std::size_t at = 0;
    std::size_t mantissaDigits = 0;
    for (; at < text.size() && isDigit(text[at]); ++at, ++mantissaDigits) digits += text[at];
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && isDigit(text[at]); ++at, ++mantissaDigits, --power) digits += text[at];
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        const bool negative = at < text.size() && text[at] == '-';
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
        std::int64_t exponent = 0;
        const std::size_t first = at;
        // Beyond a billion the answer is 0 or too large either way.
        for (; at < text.size() && isDigit(text[at]); ++at)
            exponent = std::min<std::int64_t>(exponent * 10 + (text[at] - '0'), 1000000000);
        if (at == first) return std::nullopt;
        power += negative ? -exponent : exponent;
    }
    if (at != text.size()) return std::nullopt;

    const std::size_t leadingZeros = digits.find_first_not_of('0');
    if (leadingZeros == std::string::npos) return 0;
    digits.erase(0, leadingZeros);
    // The nanoseconds are the digits times 10^(power + 9); `whole` of the
    // digits lie before the point of that.
    const std::int64_t whole = static_cast<std::int64_t>(digits.size()) + power + 9;
    if (whole > static_cast<std::int64_t>(longestCount)) return std::nullopt;
    std::int64_t nanoseconds = 0;
    for (std::int64_t i = 0; i < whole; ++i)
        nanoseconds = nanoseconds * 10 + (i < static_cast<std::int64_t>(digits.size()) ? digits[i] - '0' : 0);
    if (whole >= 0 && whole < static_cast<std::int64_t>(digits.size()) && digits[whole] >= '5') ++nanoseconds;
    if (nanoseconds > largest) return std::nullopt;
    return nanoseconds;
}

double secondsOf(std::int64_t nanoseconds) {
    return static_cast<double>(nanoseconds) / static_cast<double>(nanosecondsPerSecond);
}

std::int64_t nanosecondsAtOrAfter(double seconds) {
    if (!(seconds > 0.0)) return 0;
    if (!(seconds < 9e9)) return std::numeric_limits<std::int64_t>::max();
    // seconds = mantissa × 2^exponent, both integers, exactly.
    int exponent = 0;
    const auto mantissa = static_cast<std::int64_t>(std::ldexp(std::frexp(seconds, &exponent), 53));
    exponent -= 53;
    const Wide scaled = Wide(mantissa) * nanosecondsPerSecond;
    if (exponent <= -100) return 1;  // far below a nanosecond
    const Wide unit = Wide(1) << -exponent;
    return static_cast<std::int64_t>((scaled + unit - 1) / unit);
}

double FrameSchedule::offsetOf(std::int64_t index) const {
    return static_cast<double>(index * rate.denominator) / static_cast<double>(rate.numerator);
}

float FrameSchedule::timeOf(std::int64_t index) const {
    // Frames before frame 0, which a catch-up draws, may lie before time 0.
    const Wide numerator = frameTimeNumerator(*this, index);
    const Wide denominator = frameTimeDenominator(*this);
    return numerator < 0 ? -nearestFloat(-numerator, denominator) : nearestFloat(numerator, denominator);
}

std::int64_t FrameSchedule::sampleAt(std::int64_t index, int sampleRate) const {
    return static_cast<std::int64_t>(frameTimeNumerator(*this, index) * sampleRate / frameTimeDenominator(*this));
}

std::int64_t frameCount(std::int64_t from, std::int64_t to, FrameRate rate) {
    if (to <= from) return 0;
    // (to - from) × numerator / (denominator × 10^9) frames, rounded up.
    const Wide span = Wide(to - from) * rate.numerator;
    const Wide frame = Wide(rate.denominator) * nanosecondsPerSecond;
    return static_cast<std::int64_t>((span + frame - 1) / frame);
}

std::int64_t samplesForFrames(std::int64_t frames, FrameRate rate, int sampleRate) {
    // frames × denominator × sampleRate can pass 2^63 for long captures at
    // odd rates; 128 bits cannot overflow with the option limits.
    const Wide product = Wide(frames) * rate.denominator * sampleRate;
    return static_cast<std::int64_t>((2 * product + rate.numerator) / (2 * Wide(rate.numerator)));
}

}  // namespace quadrelume::capture
