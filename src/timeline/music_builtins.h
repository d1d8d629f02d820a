// The script built-ins that read the music at the demo time: bands() and
// level(). Each name counts as the built-in only where it is called, so
// timelines with a variable named bands or level read as before.
#pragma once

#include "script/tokop.h"

// bands(): the music's four bands at the demo time as a list [low, low-mid,
// high-mid, high], each 0 to 1 and smoothed (analysis/spectrum_analysis.h
// has the edges); [0, 0, 0, 0] without music. Arguments are ignored.
class bands : public quadrelume::script::Bif {
public:
    constexpr bands() : Bif("bands", true) {}
    quadrelume::Value evaluate(quadrelume::Value& result, quadrelume::EvalContext& context, std::int32_t argCount,
                               quadrelume::Value* args) override;
};

// level(): the music's overall loudness at the demo time, 0 to 1 and
// smoothed; 0 without music. Arguments are ignored.
class level : public quadrelume::script::Bif {
public:
    constexpr level() : Bif("level", true) {}
    quadrelume::Value evaluate(quadrelume::Value& result, quadrelume::EvalContext& context, std::int32_t argCount,
                               quadrelume::Value* args) override;
};

// The instances entered in builtinList.
extern bands bandsBuiltin;
extern level levelBuiltin;
