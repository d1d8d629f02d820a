// What one evaluation of a compiled script needs.
#pragma once

#include <cstdint>

namespace quadrelume {

class VariableTable;
class TimeRange;
namespace script {
struct Program;
}

// The argument of every Tokop::evaluate call. The caller of `run` fills
// `range` and `time` and sets `nodeIndex` to 0; `run` advances `nodeIndex`.
struct EvalContext {
    script::Program* program = nullptr;           // the program being run
    std::int32_t nodeIndex = 0;                   // node being evaluated = nodes already done
    VariableTable* fallbackVariables = nullptr;   // consulted when `variables` lacks a name
    VariableTable* variables = nullptr;           // read first; receives every assignment
    TimeRange* range = nullptr;                   // the running timeline range
    float time = 0.0f;                            // demo time of this evaluation, seconds
};

}  // namespace quadrelume
