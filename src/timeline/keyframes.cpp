#include "timeline/keyframes.h"

#include "script/scratch_arena.h"
#include "script/time_range.h"

using quadrelume::EvalContext;
using quadrelume::Value;
using quadrelume::ValueKind;

namespace {

// A key's time is its item 0; anything else counts as time 0.
float keyTime(const Value& key) {
    if (key.kind == ValueKind::List && key.count > 0 && key.items[0].kind == ValueKind::Number)
        return key.items[0].number;
    return 0.0f;
}

}  // namespace

KeySegment findKeySegment(const float* keyTimes, std::int32_t keyCount, float u) {
    if (!(keyTimes[0] < u)) return {0, 0.0f};
    for (std::int32_t m = 1; m < keyCount; ++m)
        if (keyTimes[m] > u) return {m - 1, (u - keyTimes[m - 1]) / (keyTimes[m] - keyTimes[m - 1])};
    return {keyCount - 1, 1.0f};
}

const Value* fetchKeyValue(const Value& key, const KeyPosition* position) {
    if (position == nullptr) return &key;
    const Value* outer = fetchKeyValue(key, position->outer);
    if (outer == nullptr || outer->kind != ValueKind::List) return outer;
    if (position->index < 0 || position->index >= outer->count) return nullptr;
    return &outer->items[position->index];
}

namespace {

struct Walk {
    KeyframeBase& keyframes;
    std::int32_t keyIndex;
    float fraction;
    std::int32_t argCount;
    const Value* args;

    Value at(const KeyPosition* position) {
        const Value* found = fetchKeyValue(args[keyIndex], position);
        if (found == nullptr) return quadrelume::zeroValue();
        if (found->kind == ValueKind::Number)
            return keyframes.interpolateLeaf(position, keyIndex, fraction, argCount, args);
        if (found->kind != ValueKind::List) return *found;
        std::int32_t n = found->count;
        auto* items = static_cast<Value*>(quadrelume::scratchArena().allocate(sizeof(Value) * n));
        for (std::int32_t d = 0; d < n; ++d) {
            KeyPosition inner{position, d};
            items[d] = at(&inner);
        }
        return quadrelume::listValue(items, n);
    }
};

}  // namespace

Value KeyframeBase::evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) {
    if (argCount == 0) return result = quadrelume::zeroValue();
    float u = context.time - (context.range != nullptr ? context.range->start : 0.0f);
    auto* times = static_cast<float*>(quadrelume::scratchArena().allocate(sizeof(float) * argCount));
    for (std::int32_t k = 0; k < argCount; ++k) times[k] = keyTime(args[k]);
    KeySegment segment = findKeySegment(times, argCount, u);
    // The walk builds a tree of key i's shape; keys that share items could
    // make that tree far bigger than the memory they take.
    if (!quadrelume::fitsValueLimits(args[segment.keyIndex])) return result = quadrelume::zeroValue();
    KeyPosition valueItem{nullptr, 1};
    Walk walk{*this, segment.keyIndex, segment.fraction, argCount, args};
    return result = walk.at(&valueItem);
}

Value Keyframes::interpolateLeaf(const KeyPosition* position, std::int32_t keyIndex, float fraction,
                                 std::int32_t argCount, const Value* args) {
    std::int32_t next = keyIndex + 1 < argCount ? keyIndex + 1 : keyIndex;
    const Value* a = fetchKeyValue(args[keyIndex], position);
    const Value* b = fetchKeyValue(args[next], position);
    if (b == nullptr || b->kind != ValueKind::Number) return *a;
    double mixed = static_cast<double>(a->number) * (1.0 - fraction) + static_cast<double>(b->number) * fraction;
    return quadrelume::numberValue(static_cast<float>(mixed));
}

constinit Keyframes keyframeBuiltin;

namespace {
[[maybe_unused]] const bool registered = (quadrelume::script::registerBuiltin(&keyframeBuiltin), true);
}  // namespace
