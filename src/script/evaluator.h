// Running a compiled program.
#pragma once

#include "script/eval_context.h"

namespace quadrelume::script {

// Evaluates every node of `context.program` once, in order, after resetting
// the ScratchArena. Each node's token computes its value from the values of
// its argument nodes; what remains afterwards is what the assignments
// stored. The caller fills `range` and `time`; `nodeIndex` is set to 0 here
// and advanced after each node. Not re-entrant.
void run(EvalContext& context);

}  // namespace quadrelume::script
