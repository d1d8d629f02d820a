#include "render/effect_range.h"

#include <GLES2/gl2.h>

#include <iterator>
#include <string_view>

#include "shell/shell_state.h"
#include "render/buffer_set.h"
#include "render/spectrum_texture.h"
#include "render/texture_cache.h"
#include "script/variable_table.h"

namespace quadrelume {
namespace {

// Two triangles covering normalised device coordinates, x y z per vertex,
// drawn from client memory.
constexpr GLfloat screenQuad[6 * 3] = {
    -1.0f, 1.0f, 0.0f, 1.0f, 1.0f,  0.0f, -1.0f, -1.0f, 0.0f,
    1.0f,  1.0f, 0.0f, 1.0f, -1.0f, 0.0f, -1.0f, -1.0f, 0.0f,
};

constexpr std::int32_t sampler2DCode = 8;

// Uniforms recognised by name, whatever type they are declared with.
struct BuiltinUniform {
    std::string_view name;
    void (*set)(GLint location, const EffectRange& range, float t);
};

const BuiltinUniform builtinUniforms[] = {
    {"resolution",
     [](GLint location, const EffectRange& range, float) {
         glUniform2f(location, static_cast<float>(range.drawWidth), static_cast<float>(range.drawHeight));
     }},
    {"time", [](GLint location, const EffectRange& range, float t) { glUniform1f(location, range.progress(t)); }},
    {"gtime", [](GLint location, const EffectRange&, float t) { glUniform1f(location, t); }},
};

const BuiltinUniform* builtinNamed(std::string_view name) {
    for (const BuiltinUniform& builtin : builtinUniforms)
        if (builtin.name == name) return &builtin;
    return nullptr;
}

// Setting a uniform from a script variable, by the declaration's type code.
using VariableSetter = void (*)(GLint location, const Value& value);

void setFloat(GLint location, const Value& value) {
    glUniform1f(location, value.kind == ValueKind::Number ? value.number : 0.0f);
}

template <int n>
void setVector(GLint location, const Value& value) {
    float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    flattenValue(value, v, n);
    if constexpr (n == 2) glUniform2f(location, v[0], v[1]);
    if constexpr (n == 3) glUniform3f(location, v[0], v[1], v[2]);
    if constexpr (n == 4) glUniform4f(location, v[0], v[1], v[2], v[3]);
}

// Indexed by type code; null for the matrices and samplerCube, which are
// not set, and for sampler2D, which takes a texture instead.
constexpr VariableSetter variableSetters[] = {
    nullptr, setFloat, setVector<2>, setVector<3>, setVector<4>, nullptr, nullptr, nullptr, nullptr, nullptr,
};

// The setter of type code `code`, or null.
VariableSetter setterOf(std::int32_t code) {
    constexpr auto count = static_cast<std::int32_t>(std::size(variableSetters));
    return code >= 0 && code < count ? variableSetters[code] : nullptr;
}

// The texture units a program may sample from; GLES2 promises at least 8.
GLint textureUnitCount() {
    static const GLint count = [] {
        GLint units = 8;
        glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
        return units < 1 ? 1 : units;
    }();
    return count;
}

// Binds the image of sampler `name` to texture unit `unit`, when it has
// one: the timeline's buffer of that name, else the texture of the PNG
// file, else, for the sampler named for it, the music's spectrum at `t`.
// Each sampler of a program has a unit of its own, so that a shader that
// combines two images reads both.
void bindTexture(std::string_view name, GLint location, GLint unit, const BufferSet* buffers, float t) {
    if (unit >= textureUnitCount()) return;
    // The unit first: a texture loaded on first use binds itself to the
    // active unit, which must not be another sampler's.
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
    GLuint image = buffers != nullptr ? buffers->imageNamed(name) : 0;
    if (image == 0) {
        Reloadable<Texture>* holder = acquireTexture(name);
        // The music's spectrum only where the folder has no image of that
        // name, so that a demo with its own spectrum.png keeps reading it.
        if (holder == nullptr && name == spectrumSamplerName) {
            bindSpectrumTexture(t);
            glUniform1i(location, unit);
            return;
        }
        if (holder == nullptr || holder->object == nullptr) return;
        image = holder->object->glName;
    }
    glBindTexture(GL_TEXTURE_2D, image);
    glUniform1i(location, unit);
}

// Collects into out[count...] up to n numbers; answers the new count.
int flattenInto(const Value& value, float* out, int count, int n) {
    if (count >= n) return count;
    if (value.kind == ValueKind::Number) {
        out[count] = value.number;
        return count + 1;
    }
    if (value.kind != ValueKind::List) return count;
    for (std::int32_t i = 0; i < value.count && count < n; ++i) count = flattenInto(value.items[i], out, count, n);
    return count;
}

}  // namespace

EffectRange::EffectRange(const std::string& effectName, VariableTable* table)
    : TimeRange(0.0f, 0.0f), shaderFile(effectName + ".ps") {
    variables = table;
    shader = acquireShaderProgram(effectName);
}

void EffectRange::render(float t) {
    if (target == nullptr) {
        draw(t, windowWidth, windowHeight);
        return;
    }
    if (buffers->beginDrawing(*target)) draw(t, target->width(), target->height());
    buffers->endDrawing(*this, *target);
}

bool EffectRange::reads(std::string_view name) const {
    if (shader == nullptr || shader->object == nullptr) return false;
    const ShaderVariable* uniform = shader->object->findUniform(name);
    return uniform != nullptr && uniform->type == sampler2DCode;
}

void EffectRange::draw(float t, int width, int height) {
    if (shader == nullptr || shader->object == nullptr) return;
    drawWidth = width;
    drawHeight = height;
    const ShaderProgram& program = *shader->object;
    glUseProgram(program.program);
    GLint nextUnit = 0;
    for (const std::string& name : program.uniformNames) {
        const ShaderVariable* uniform = program.findUniform(name);
        if (const BuiltinUniform* builtin = builtinNamed(name)) {
            builtin->set(uniform->location, *this, t);
        } else if (uniform->type == sampler2DCode) {
            // A sampler keeps its unit whether or not its image exists, so
            // that one missing file does not move the others.
            bindTexture(name, uniform->location, nextUnit++, buffers, t);
        } else if (const Value* value = variables != nullptr ? variables->find(name) : nullptr) {
            if (VariableSetter setter = setterOf(uniform->type)) setter(uniform->location, *value);
        }
    }
    const ShaderVariable* position = program.findAttribute("a_pos");
    positionLocation = position != nullptr ? position->location : -1;
    if (program.blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_DST_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    glDisable(GL_DEPTH_TEST);
    // Whoever binds a texture next (a PNG upload, the overlay) expects unit 0.
    if (nextUnit > 1) glActiveTexture(GL_TEXTURE0);
    // Every program has a_pos from the built-in vertex shader; the check
    // only keeps a hand-made program without it from feeding GL index -1.
    if (positionLocation < 0) return;
    const auto index = static_cast<GLuint>(positionLocation);
    glVertexAttribPointer(index, 3, GL_FLOAT, GL_FALSE, 12, screenQuad);
    glEnableVertexAttribArray(index);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glDisableVertexAttribArray(index);
}

int flattenValue(const Value& value, float* out, int n) { return flattenInto(value, out, 0, n); }

}  // namespace quadrelume
