// The one value type of the expression language: a Number, a String or a
// List of values, as a small tagged record that is copied like an integer.
#pragma once

#include <cstdint>
#include <string>

namespace quadrelume {

// What a Value holds. The numbers are part of the value model: the all-zero
// record must read as Number 0.0.
enum class ValueKind : std::int32_t { Number = 0, String = 1, List = 2 };

// A tagged record of 16 bytes on a 64-bit machine (12 where pointers have
// 32 bits, as in WebAssembly). Copying the record never
// copies what it points to; copyValue does that. Who frees the storage
// depends on where the value lives: a VariableTable owns heap storage deep,
// values made during a run point into the ScratchArena and are never freed
// one by one.
struct Value {
    ValueKind kind;      // Number, String or List
    std::int32_t count;  // List: number of items; Number: 0; String: carried along
    union {
        float number;  // Number
        char* text;    // String: NUL-terminated
        Value* items;  // List: `count` consecutive values
    };
};

static_assert(sizeof(Value) == 2 * sizeof(std::int32_t) + sizeof(void*), "Value must stay a small plain record");

// Value-initialised records are Number 0.0: the default of a new variable,
// the value of an undefined one and the result of every misfit operation.
inline constexpr Value zeroValue() { return Value{ValueKind::Number, 0, {0.0f}}; }

// A Number holding `number`.
inline Value numberValue(float number) {
    Value v = zeroValue();
    v.number = number;
    return v;
}

// A List of `count` items stored at `items` (the storage is not copied).
inline Value listValue(Value* items, std::int32_t count) {
    Value v = zeroValue();
    v.kind = ValueKind::List;
    v.count = count;
    v.items = items;
    return v;
}

// The most values (numbers, lists and texts, at every level) one value may
// hold, and the deepest nesting of lists. A script can build values that
// grow without bound (a = [a, a] doubles in every frame, and lists sharing
// items expand when copied); past these limits a value no longer fits and,
// like every value that does not fit, becomes Number 0.0. The depth limit
// also bounds the recursion of copying, freeing and printing.
inline constexpr std::int64_t maximumValueItems = 262144;
inline constexpr int maximumValueDepth = 1000;

// Whether `value` stays within maximumValueItems and maximumValueDepth.
// Stops counting as soon as it knows the answer.
bool fitsValueLimits(const Value& value);

// A deep copy of `source`; Number 0.0 when `source` does not fit the value
// limits. With `scratch` true every piece of storage comes
// from the ScratchArena and lives until the next run; with `scratch` false it
// comes from the heap and belongs to whoever stores the copy (a table).
Value copyValue(const Value& source, bool scratch);

// Frees the heap storage of a value made by copyValue(..., false). Never
// applied to scratch values.
void destroyValue(Value& value);

// Appends the printable text of `value` to `out`: a Number in printf "%f"
// form, a String as itself, a List as "[" items separated by "," "]".
// Other kinds append nothing. Reuses `out`'s capacity, so a caller that keeps
// the string allocates only while it grows.
void appendText(std::string& out, const Value& value);

// The printable text of `value`, as appendText produces it.
std::string toText(const Value& value);

// Appends the "%f" text of `number` in full, however long it is.
void appendNumberText(std::string& out, float number);

}  // namespace quadrelume
