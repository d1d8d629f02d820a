// Helpers shared by the script language tests.
#pragma once

#include <string>

#include "script/evaluator.h"
#include "script/parser.h"
#include "script/variable_table.h"

namespace quadrelume::testing {

// A regular expression that matches exactly `message` and its newline as the
// whole of standard error, for death tests of the fatal path.
inline std::string exactStderr(const std::string& message) {
    std::string pattern = "^";
    for (char c : message) {
        if (std::string(".[]{}()*+?^$|\\").find(c) != std::string::npos) pattern += '\\';
        pattern += c;
    }
    return pattern + "\n$";
}

// Compiles `script` and runs it `times` times against `table` (both table
// fields of the context), without a range.
inline void runScript(const std::string& script, VariableTable& table, int times = 1) {
    auto program = script::compile(script.c_str());
    EvalContext context;
    context.program = program.get();
    context.variables = &table;
    context.fallbackVariables = &table;
    for (int i = 0; i < times; ++i) script::run(context);
}

// The printed value of variable `name`, or "<unset>".
inline std::string textOf(const VariableTable& table, const std::string& name) {
    const Value* value = table.find(name);
    return value == nullptr ? "<unset>" : toText(*value);
}

// A program as "node node ...", each node its token's name followed by its
// argument indices in parentheses when it has any: "1.000000 x +(0,1)".
inline std::string describe(const script::Program& program) {
    std::string text;
    for (const auto& node : program.nodes) {
        if (!text.empty()) text += ' ';
        text += node.op->name();
        if (node.args.empty()) continue;
        text += '(';
        for (std::size_t i = 0; i < node.args.size(); ++i) text += (i ? "," : "") + std::to_string(node.args[i]);
        text += ')';
    }
    return text;
}

}  // namespace quadrelume::testing
