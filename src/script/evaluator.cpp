#include "script/evaluator.h"

#include <vector>

#include "script/program.h"
#include "script/scratch_arena.h"

namespace quadrelume::script {
namespace {

// Per-node results and the argument array of a run. They persist across runs
// (a program of thousands of nodes would not fit a stack frame) and only grow,
// so steady-state runs allocate nothing. Every result is written before any
// later node reads it, so the arrays need no clearing between runs.
std::vector<Value> results;
std::vector<Value> arguments;

}  // namespace

void run(EvalContext& context) {
    scratchArena().reset();
    const std::vector<Node>& nodes = context.program->nodes;
    std::size_t n = nodes.size();
    if (results.size() < n) {
        results.resize(n, zeroValue());
        arguments.resize(n, zeroValue());
    }
    Value* result = results.data();
    Value* args = arguments.data();
    context.nodeIndex = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const Node& node = nodes[k];
        std::int32_t argCount = static_cast<std::int32_t>(node.args.size());
        for (std::int32_t i = 0; i < argCount; ++i) args[i] = result[node.args[i]];
        node.op->evaluate(result[k], context, argCount, args);
        context.nodeIndex = static_cast<std::int32_t>(k + 1);
    }
}

}  // namespace quadrelume::script
