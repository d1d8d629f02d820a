#include "script/lin.h"

#include "script/broadcast.h"
#include "script/time_range.h"

namespace quadrelume::script {

Value linRule(EvalContext& context, std::int32_t argCount, const Value* args) {
    if (argCount == 0) return zeroValue();
    if (argCount == 1) return args[0];
    for (std::int32_t i = 0; i < (argCount == 2 ? 2 : 3); ++i)
        if (args[i].kind != ValueKind::Number) return args[0];

    float t = argCount == 2 ? (context.range != nullptr ? context.range->progress(context.time) : 0.0f)
                            : args[2].number;
    float a = args[0].number;
    float b = args[1].number;
    float weightOfA = 1.0f - t;
    return numberValue(static_cast<float>(static_cast<double>(weightOfA) * a + static_cast<double>(b) * t));
}

Value lin::evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) {
    return result = broadcast(linRule, context, argCount, args);
}

constinit lin linBuiltin;

}  // namespace quadrelume::script
