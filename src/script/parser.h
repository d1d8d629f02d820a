// Recursive-descent compiler from a script's text into a Program.
#pragma once

#include <memory>

#include "script/program.h"

namespace quadrelume::script {

// How deeply statements (the line's own, assignment right-hand sides,
// parenthesised groups, list items, call arguments) and negations may nest in
// one script. The rules recurse once per level, so deeper input is reported
// as a syntax error rather than left to overflow the stack.
inline constexpr int maximumNesting = 256;

// The message of the nesting limit.
inline constexpr const char* tooDeepMessage =
    "Expression nested too deeply: more than 256 levels of parentheses, brackets, calls, assignments or negations";

// An entry of the precedence table: the operator, and whether it starts a
// new (tighter) level. The null operator at the end stands for the operands.
struct PrecedenceEntry {
    Tokop* op;
    bool startsLevel;
};

// "+" "-" | "*" "/" "%" | operands; every level is left-associative.
extern const PrecedenceEntry precedenceTable[6];

// Compiles one script, which must be a single assignment. On a syntax error
// the process ends through the fatal path with the error's message; if the
// fatal handler unwinds instead, everything made so far is freed.
std::unique_ptr<Program> compile(const char* text);

// Appends `node` and returns its index.
std::int32_t addNode(Program& program, Node node);

// The parsing rules. Each consumes tokens from the front of `queue` and
// returns the index of the node it produced.
struct ParseState;
std::int32_t parseStatement(ParseState& state, bool mustAssign);
std::int32_t parseExpression(ParseState& state, int level);
std::int32_t parsePrimary(ParseState& state);

// The program being built, the working queue and the nesting depth.
struct ParseState {
    Program& program;
    TokenQueue queue;
    int depth = 0;
};

}  // namespace quadrelume::script
