#include "timeline/music_builtins.h"

#include <array>

#include "analysis/music_source.h"
#include "script/scratch_arena.h"

using quadrelume::EvalContext;
using quadrelume::Value;

Value bands::evaluate(Value& result, EvalContext& context, std::int32_t, Value*) {
    const std::array<float, quadrelume::analysis::bandCount> values = quadrelume::analysis::currentBands(context.time);
    auto* items = static_cast<Value*>(quadrelume::scratchArena().allocate(sizeof(Value) * values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) items[i] = quadrelume::numberValue(values[i]);
    return result = quadrelume::listValue(items, static_cast<std::int32_t>(values.size()));
}

Value level::evaluate(Value& result, EvalContext& context, std::int32_t, Value*) {
    return result = quadrelume::numberValue(quadrelume::analysis::currentLevel(context.time));
}

constinit bands bandsBuiltin;
constinit level levelBuiltin;

namespace {
[[maybe_unused]] const bool registered = (quadrelume::script::registerBuiltin(&bandsBuiltin),
                                          quadrelume::script::registerBuiltin(&levelBuiltin), true);
}  // namespace
