// The arithmetic operators and the list operation.
#include <cmath>
#include <cstring>

#include "script/broadcast.h"
#include "script/scratch_arena.h"
#include "script/tokop.h"

namespace quadrelume::script::parser {
namespace {

bool isNumber(const Value& v) { return v.kind == ValueKind::Number; }

// Binary rules: Number 0.0 unless both operands are Numbers.
template <float (*op)(float, float)>
Value binaryRule(EvalContext&, std::int32_t argCount, const Value* args) {
    if (argCount < 2 || !isNumber(args[0]) || !isNumber(args[1])) return zeroValue();
    return numberValue(op(args[0].number, args[1].number));
}

float add(float a, float b) { return a + b; }
float subtract(float a, float b) { return a - b; }
float multiply(float a, float b) { return a * b; }
float divide(float a, float b) { return a / b; }
float remainder(float a, float b) { return std::fmod(a, b); }

// "-" negates with one argument and subtracts with two.
Value minusRule(EvalContext& context, std::int32_t argCount, const Value* args) {
    if (argCount == 1) return isNumber(args[0]) ? numberValue(-args[0].number) : zeroValue();
    return binaryRule<subtract>(context, argCount, args);
}

// Two Numbers, the common case, skip the list scan of broadcast.
template <float (*op)(float, float)>
Value arithmetic(Value& result, EvalContext& context, std::int32_t argCount, Value* args) {
    if (argCount == 2 && isNumber(args[0]) && isNumber(args[1]))
        return result = numberValue(op(args[0].number, args[1].number));
    return result = broadcast(binaryRule<op>, context, argCount, args);
}

}  // namespace

Value plusop::evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) {
    return arithmetic<add>(result, context, argCount, args);
}

Value minusop::evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) {
    if (argCount == 1 && isNumber(args[0])) return result = numberValue(-args[0].number);
    if (argCount == 2) return arithmetic<subtract>(result, context, argCount, args);
    return result = broadcast(minusRule, context, argCount, args);
}

Value mulop::evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) {
    return arithmetic<multiply>(result, context, argCount, args);
}

Value divop::evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) {
    return arithmetic<divide>(result, context, argCount, args);
}

Value modop::evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) {
    return arithmetic<remainder>(result, context, argCount, args);
}

Value listOp::evaluate(Value& result, EvalContext&, std::int32_t argCount, Value* args) {
    // The items are the argument records themselves: they already live in
    // the ScratchArena for the rest of the run.
    Value* items = static_cast<Value*>(scratchArena().allocate(sizeof(Value) * argCount));
    if (argCount > 0) std::memcpy(static_cast<void*>(items), args, sizeof(Value) * argCount);
    return result = listValue(items, argCount);
}

}  // namespace quadrelume::script::parser
