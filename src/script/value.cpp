#include "script/value.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "script/scratch_arena.h"

namespace quadrelume {
namespace {

bool fitsWithin(const Value& value, int depth, std::int64_t& budget) {
    if (--budget < 0) return false;
    if (value.kind != ValueKind::List) return true;
    if (depth >= maximumValueDepth) return false;
    for (std::int32_t i = 0; i < value.count; ++i)
        if (!fitsWithin(value.items[i], depth + 1, budget)) return false;
    return true;
}

Value copyTree(const Value& source, bool scratch) {
    Value copy = source;
    if (source.kind == ValueKind::String) {
        std::size_t length = std::strlen(source.text) + 1;
        copy.text = static_cast<char*>(scratch ? scratchArena().allocate(length) : new char[length]);
        std::memcpy(copy.text, source.text, length);
    } else if (source.kind == ValueKind::List) {
        // Heap lists are value-initialised (Number 0.0 items); arena memory
        // is already zero-filled.
        copy.items = scratch ? static_cast<Value*>(scratchArena().allocate(sizeof(Value) * source.count))
                             : new Value[source.count]();
        for (std::int32_t i = 0; i < source.count; ++i) copy.items[i] = copyTree(source.items[i], scratch);
    }
    return copy;
}

}  // namespace

bool fitsValueLimits(const Value& value) {
    std::int64_t budget = maximumValueItems;
    return fitsWithin(value, 0, budget);
}

Value copyValue(const Value& source, bool scratch) {
    if (source.kind == ValueKind::List && !fitsValueLimits(source)) return zeroValue();
    return copyTree(source, scratch);
}

void destroyValue(Value& value) {
    if (value.kind == ValueKind::String) {
        delete[] value.text;
    } else if (value.kind == ValueKind::List) {
        for (std::int32_t i = 0; i < value.count; ++i) destroyValue(value.items[i]);
        delete[] value.items;
    }
    value = zeroValue();
}

namespace {

// "%f" of a float without printf, for the magnitudes a demo prints every
// frame. A float has a 24-bit significand and 10^6 = 2^6 * 15625 needs 14
// bits more, so number * 10^6 is exact in a double; rounding it to the
// nearest integer, ties to even, is exactly printf's rounding to six
// decimals. Returns false where it does not apply (NaN, infinities, and
// magnitudes whose scaled value would not fit 64 bits).
bool appendFixedSix(std::string& out, float number) {
    double scaled = static_cast<double>(number) * 1e6;
    if (!(std::fabs(scaled) < 9.0e18)) return false;
    double rounded = std::nearbyint(scaled);
    std::uint64_t units = static_cast<std::uint64_t>(std::fabs(rounded));
    char digits[32];
    int at = sizeof digits;
    for (int place = 0; place < 6; ++place) {
        digits[--at] = static_cast<char>('0' + units % 10);
        units /= 10;
    }
    digits[--at] = '.';
    do {
        digits[--at] = static_cast<char>('0' + units % 10);
        units /= 10;
    } while (units != 0);
    if (std::signbit(number)) digits[--at] = '-';
    out.append(digits + at, sizeof digits - at);
    return true;
}

}  // namespace

void appendNumberText(std::string& out, float number) {
    if (appendFixedSix(out, number)) return;
    // Floats up to 3.4e38 need at most 47 characters in "%f" form; the size
    // is asked for first anyway so that no magnitude is ever cut.
    char small[64];
    int length = std::snprintf(small, sizeof small, "%f", static_cast<double>(number));
    if (length < static_cast<int>(sizeof small)) {
        out.append(small, length);
        return;
    }
    std::size_t at = out.size();
    out.resize(at + length + 1);
    std::snprintf(out.data() + at, length + 1, "%f", static_cast<double>(number));
    out.resize(at + length);
}

void appendText(std::string& out, const Value& value) {
    switch (value.kind) {
    case ValueKind::Number:
        appendNumberText(out, value.number);
        break;
    case ValueKind::String:
        out += value.text;
        break;
    case ValueKind::List:
        out += '[';
        for (std::int32_t i = 0; i < value.count; ++i) {
            if (i > 0) out += ',';
            appendText(out, value.items[i]);
        }
        out += ']';
        break;
    }
}

std::string toText(const Value& value) {
    std::string text;
    appendText(text, value);
    return text;
}

}  // namespace quadrelume
