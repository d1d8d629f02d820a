// Elementwise extension of scalar rules over lists.
#pragma once

#include <cstdint>

#include "script/eval_context.h"
#include "script/value.h"

namespace quadrelume::script {

// A rule over plain arguments: what an operator or built-in computes when no
// list needs to be taken apart (or when list lengths do not match).
using ScalarRule = Value (*)(EvalContext& context, std::int32_t argCount, const Value* args);

// Applies `rule` to the arguments, item by item over lists. The first List
// argument fixes the length; every List argument is replaced by its item d
// for item d of the result, recursively, so nested lists broadcast level by
// level. Without a List, or when List lengths differ, `rule` sees the
// arguments as they are. Result lists live in the ScratchArena. A List
// argument beyond the value limits gives Number 0.0.
Value broadcast(ScalarRule rule, EvalContext& context, std::int32_t argCount, const Value* args);

}  // namespace quadrelume::script
