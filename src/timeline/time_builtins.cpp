#include "timeline/time_builtins.h"

#include "shell/shell_state.h"
#include "script/time_range.h"

using quadrelume::EvalContext;
using quadrelume::Value;

Value gtime::evaluate(Value& result, EvalContext& context, std::int32_t, Value*) {
    return result = quadrelume::numberValue(context.time);
}

Value rtime::evaluate(Value& result, EvalContext& context, std::int32_t, Value*) {
    return result = quadrelume::numberValue(context.range != nullptr ? context.range->progress(context.time) : 0.0f);
}

Value ltime::evaluate(Value& result, EvalContext& context, std::int32_t, Value*) {
    return result = quadrelume::numberValue(context.time - (context.range != nullptr ? context.range->start : 0.0f));
}

Value halt::evaluate(Value& result, EvalContext&, std::int32_t, Value*) {
    quadrelume::running = 0;
    return result = quadrelume::zeroValue();
}

constinit gtime gtimeBuiltin;
constinit rtime rtimeBuiltin;
constinit ltime ltimeBuiltin;
constinit halt haltBuiltin;

namespace {
[[maybe_unused]] const bool registered = (quadrelume::script::registerBuiltin(&gtimeBuiltin),
                                          quadrelume::script::registerBuiltin(&rtimeBuiltin),
                                          quadrelume::script::registerBuiltin(&ltimeBuiltin),
                                          quadrelume::script::registerBuiltin(&haltBuiltin), true);
}  // namespace
