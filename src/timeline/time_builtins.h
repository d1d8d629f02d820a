// The script built-ins that read the demo clock, and halt.
#pragma once

#include "script/tokop.h"

// gtime(): the demo time t of the running evaluation. Arguments are ignored.
class gtime : public quadrelume::script::Bif {
public:
    constexpr gtime() : Bif("gtime") {}
    quadrelume::Value evaluate(quadrelume::Value& result, quadrelume::EvalContext& context, std::int32_t argCount,
                               quadrelume::Value* args) override;
};

// rtime(): progress through the running range, 0 at its start towards 1 at
// its end; 0 for an empty range. Arguments are ignored.
class rtime : public quadrelume::script::Bif {
public:
    constexpr rtime() : Bif("rtime") {}
    quadrelume::Value evaluate(quadrelume::Value& result, quadrelume::EvalContext& context, std::int32_t argCount,
                               quadrelume::Value* args) override;
};

// ltime(): seconds since the running range's start. Arguments are ignored.
class ltime : public quadrelume::script::Bif {
public:
    constexpr ltime() : Bif("ltime") {}
    quadrelume::Value evaluate(quadrelume::Value& result, quadrelume::EvalContext& context, std::int32_t argCount,
                               quadrelume::Value* args) override;
};

// halt(): gives 0 and clears quadrelume::running, so the frame loop ends
// after the current frame has completed (trace and presentation included).
class halt : public quadrelume::script::Bif {
public:
    constexpr halt() : Bif("halt") {}
    quadrelume::Value evaluate(quadrelume::Value& result, quadrelume::EvalContext& context, std::int32_t argCount,
                               quadrelume::Value* args) override;
};

// The instances entered in builtinList.
extern gtime gtimeBuiltin;
extern rtime rtimeBuiltin;
extern ltime ltimeBuiltin;
extern halt haltBuiltin;
