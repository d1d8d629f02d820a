// The timeline range that draws a full-screen effect with a cached shader
// program, feeding its uniforms from built-in values, PNG textures and
// script variables.
#pragma once

#include <cstdint>
#include <string>

#include "reload/reloadable.h"
#include "render/shader_program.h"
#include "script/value.h"
#include "script/time_range.h"

namespace quadrelume {

class VariableTable;

class EffectRange : public TimeRange {
public:
    // Acquires the program of `effectName` (printing "Found %s in cache" when
    // another range has it, ending the process on a faulty shader) and feeds
    // uniforms from `variables` (not owned). Start and end are 0 until the
    // caller sets them.
    EffectRange(const std::string& effectName, VariableTable* variables);

    // Draws the effect at demo time `t` over the whole viewport with the
    // program's current build: sets every declared uniform ("resolution",
    // "time" and "gtime" built in; each sampler2D from the texture of the
    // same name, on texture units 0, 1, 2... in declaration order, and
    // "spectrum" without a file of its name from the music at `t`; others
    // from the variable of the same name, left as they were when there is
    // none), switches blending by the program's directive, disables depth
    // testing and draws two triangles. Draws nothing, with no GL call, when
    // the shader file was unreadable.
    void render(float t) override;

    Reloadable<ShaderProgram>* shader = nullptr;  // the cache's entry, not owned; null without a shader file
    std::string shaderFile;                       // effect name + ".ps"
    std::int32_t positionLocation = -1;           // a_pos in the current program, refreshed by render
};

// Writes the numbers of `value` into `out`, at most `n` of them, in order: a
// Number gives itself, a String nothing, a List its items flattened depth
// first. Answers how many were written.
int flattenValue(const Value& value, float* out, int n);

}  // namespace quadrelume
