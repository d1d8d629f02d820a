// The built-in lin: linear interpolation, over the running range or with an
// explicit weight.
#pragma once

#include "script/tokop.h"

namespace quadrelume::script {

// lin(a, b) ramps from a at the start of the running range to b at its end;
// lin(a, b, t) mixes with weight t (not clamped); lin(x) is x; lin() is 0.
// Broadcasts over lists like the operators.
class lin : public Bif {
public:
    constexpr lin() : Bif("lin") {}
    Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) override;
};

// The one instance, entered in builtinList.
extern lin linBuiltin;

// The scalar rule of lin, for callers that already hold plain arguments.
Value linRule(EvalContext& context, std::int32_t argCount, const Value* args);

}  // namespace quadrelume::script
