#include "script/broadcast.h"

#include "script/scratch_arena.h"

namespace quadrelume::script {
namespace {

Value broadcastTree(ScalarRule rule, EvalContext& context, std::int32_t argCount, const Value* args);

}  // namespace

Value broadcast(ScalarRule rule, EvalContext& context, std::int32_t argCount, const Value* args) {
    // Lists that share items can stand for far bigger trees than the memory
    // they take; item-by-item work over them must stay bounded.
    for (std::int32_t i = 0; i < argCount; ++i)
        if (args[i].kind == ValueKind::List && !fitsValueLimits(args[i])) return zeroValue();
    return broadcastTree(rule, context, argCount, args);
}

namespace {

Value broadcastTree(ScalarRule rule, EvalContext& context, std::int32_t argCount, const Value* args) {
    std::int32_t length = -1;
    bool mismatch = false;
    for (std::int32_t i = 0; i < argCount; ++i) {
        if (args[i].kind != ValueKind::List) continue;
        if (length < 0)
            length = args[i].count;
        else if (args[i].count != length)
            mismatch = true;
    }
    if (length < 0 || mismatch) return rule(context, argCount, args);

    ScratchArena& arena = scratchArena();
    Value* items = static_cast<Value*>(arena.allocate(sizeof(Value) * length));
    Value* itemArgs = static_cast<Value*>(arena.allocate(sizeof(Value) * argCount));
    for (std::int32_t d = 0; d < length; ++d) {
        for (std::int32_t i = 0; i < argCount; ++i)
            itemArgs[i] = args[i].kind == ValueKind::List ? args[i].items[d] : args[i];
        items[d] = broadcastTree(rule, context, argCount, itemArgs);
    }
    return listValue(items, length);
}

}  // namespace

}  // namespace quadrelume::script
