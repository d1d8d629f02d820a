#include "timeline/expression_range.h"

#include "script/evaluator.h"

namespace quadrelume {

ExpressionRange::ExpressionRange(float startTime, float endTime, std::unique_ptr<script::Program> program,
                                 VariableTable* table)
    : TimeRange(startTime, endTime) {
    variables = table;
    evalContext.program = program.release();
    evalContext.variables = table;
    evalContext.fallbackVariables = table;
    evalContext.range = this;
}

ExpressionRange::~ExpressionRange() { delete evalContext.program; }

void ExpressionRange::render(float t) {
    evalContext.nodeIndex = 0;
    evalContext.time = t;
    script::run(evalContext);
}

}  // namespace quadrelume
