// A timeline range that runs one compiled script assignment per frame.
#pragma once

#include <memory>

#include "script/program.h"
#include "script/time_range.h"

namespace quadrelume {

// Runs its Program in every frame in which it is active. Owns the program;
// its evalContext points at the program, at itself and (both table fields)
// at the Demo's variables.
class ExpressionRange : public TimeRange {
public:
    // Takes `program` over and sets up the context for `table`.
    ExpressionRange(float startTime, float endTime, std::unique_ptr<script::Program> program, VariableTable* table);
    ~ExpressionRange() override;

    // Runs the program at demo time `t`; the assignments are what counts.
    void render(float t) override;
};

}  // namespace quadrelume
