// A compiled script: a flat array of nodes in evaluation order.
#pragma once

#include <cstdint>
#include <vector>

#include "script/tokenizer.h"

namespace quadrelume::script {

// One operation: `op` computes it from the values of the `args` nodes.
struct Node {
    Tokop* op = nullptr;
    std::vector<std::int32_t> args;  // indices of earlier nodes, in argument order
};

// Every argument index is smaller than the index of its user, so one
// forward pass evaluates everything in order; the top-level assignment is
// the last node. The program owns the number and identifier tokens of
// `tokens` (the singletons are shared) and is not changed after compile.
struct Program {
    std::vector<Node> nodes;
    TokenQueue tokens;  // the tokenizer's complete output, unchanged

    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    // Deletes the number and identifier tokens.
    ~Program();
};

}  // namespace quadrelume::script
