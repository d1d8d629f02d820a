// The built-in keyframe: interpolation between keys laid out over the
// running range's own time.
#pragma once

#include <cstdint>

#include "script/tokop.h"

// Where a value sits inside a key: one item index per list level, outermost
// first, kept as a chain of stack frames (each walk level adds one link).
struct KeyPosition {
    const KeyPosition* outer;  // the enclosing level, null at the key itself
    std::int32_t index;        // item index at this level
};

// Key search and the walk over a key's value. Each argument is a key
// [time, value]; keys are in ascending time, in seconds since the range's
// start. The result has the shape of the chosen key's value, and every
// Number in it comes from interpolateLeaf.
class KeyframeBase : public quadrelume::script::Bif {
public:
    constexpr explicit KeyframeBase(const char* scriptName) : Bif(scriptName) {}

    quadrelume::Value evaluate(quadrelume::Value& result, quadrelume::EvalContext& context, std::int32_t argCount,
                               quadrelume::Value* args) override;

    // The Number at `position` between key `keyIndex` (whose value there is
    // a Number) and the next key, `fraction` of the way.
    virtual quadrelume::Value interpolateLeaf(const KeyPosition* position, std::int32_t keyIndex, float fraction,
                                              std::int32_t argCount, const quadrelume::Value* args) = 0;
};

// keyframe(...): linear interpolation between neighbouring keys.
class Keyframes : public KeyframeBase {
public:
    constexpr Keyframes() : KeyframeBase("keyframe") {}
    quadrelume::Value interpolateLeaf(const KeyPosition* position, std::int32_t keyIndex, float fraction,
                                      std::int32_t argCount, const quadrelume::Value* args) override;
};

// The instance entered in builtinList.
extern Keyframes keyframeBuiltin;

// The key segment for local time `u`: the key index i that holds or starts
// the segment, and the fraction of the way to key i + 1. Before the first key
// time key 0 holds (fraction 0); at or after the last, the last key holds
// (fraction 1); at a key time the segment starting there is chosen.
struct KeySegment {
    std::int32_t keyIndex;
    float fraction;
};
KeySegment findKeySegment(const float* keyTimes, std::int32_t keyCount, float u);

// The value at `position` in `key`, or null where a list has no such item.
// A non-List met on the way ends the fetch and is the result.
const quadrelume::Value* fetchKeyValue(const quadrelume::Value& key, const KeyPosition* position);
