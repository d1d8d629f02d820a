// The timeline range that draws a full-screen effect with a cached shader
// program, on the screen or into a buffer, feeding its uniforms from
// built-in values, buffers, PNG textures and script variables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "reload/reloadable.h"
#include "render/shader_program.h"
#include "script/value.h"
#include "script/time_range.h"

namespace quadrelume {

class BufferSet;
class RenderBuffer;
class VariableTable;

class EffectRange : public TimeRange {
public:
    // Acquires the program of `effectName` (printing "Found %s in cache" when
    // another range has it, ending the process on a faulty shader) and feeds
    // uniforms from `variables` (not owned). Start and end are 0 until the
    // caller sets them.
    EffectRange(const std::string& effectName, VariableTable* variables);

    // Draws the effect at demo time `t` with the program's current build,
    // over the whole viewport, or into the whole of `target` when it has
    // one: sets every declared uniform ("resolution" the size drawn into,
    // "time" and "gtime" built in; each sampler2D from the buffer of the
    // same name in `buffers`, else the texture of the same name, else for
    // "spectrum" the music at `t`, on texture units 0, 1, 2... in
    // declaration order; others from the variable of the
    // same name, left as they were when there is none), switches blending by
    // the program's directive, disables depth testing and draws two
    // triangles. Without a shader file it draws nothing, with no GL call on
    // the screen; into a buffer it still takes its place in the buffer's
    // frame (see BufferSet), and leaves the screen bound again.
    void render(float t) override;

    // Whether the current program declares a sampler2D named `name`.
    bool reads(std::string_view name) const;

    Reloadable<ShaderProgram>* shader = nullptr;  // the cache's entry, not owned; null without a shader file
    std::string shaderFile;                       // effect name + ".ps"
    std::int32_t positionLocation = -1;           // a_pos in the current program, refreshed by render
    BufferSet* buffers = nullptr;                 // the timeline's buffers, which samplers read first; not owned
    RenderBuffer* target = nullptr;               // the buffer it draws into, of `buffers` (then set); null: the screen
    int drawWidth = 0;                            // the size it last drew at, pixels: "resolution"
    int drawHeight = 0;

private:
    // The drawing itself, at `width` x `height` pixels.
    void draw(float t, int width, int height);
};

// Writes the numbers of `value` into `out`, at most `n` of them, in order: a
// Number gives itself, a String nothing, a List its items flattened depth
// first. Answers how many were written.
int flattenValue(const Value& value, float* out, int n);

}  // namespace quadrelume
