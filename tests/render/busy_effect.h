// The effect whose frames the frame-cost test and the render benchmark
// measure: 16 uniforms fed from script variables (four each of float, vec2,
// vec3 and vec4, half of them from Numbers and half from Lists), the three
// built-ins and one sampler.
#pragma once

#include <string>

#include "script/variable_table.h"

namespace quadrelume::testing {

// The fragment shader of the effect, sampling `textureName`; assigns the 16
// variables it reads in `variables`.
inline std::string busyEffectShader(const std::string& textureName, VariableTable& variables) {
    std::string declarations = "precision highp float;\nuniform float time;\nuniform float gtime;\n"
                               "uniform vec2 resolution;\nuniform sampler2D " + textureName + ";\n";
    std::string sum = "vec4(time + gtime, resolution, 0.0) + texture2D(" + textureName + ", resolution)";
    const char* types[] = {"float", "vec2", "vec3", "vec4"};
    const char* widened[] = {"vec4(%s)", "vec4(%s, 0.0, 0.0)", "vec4(%s, 0.0)", "%s"};
    for (int i = 0; i < 16; ++i) {
        std::string name = "feed" + std::to_string(i);
        declarations += std::string("uniform ") + types[i % 4] + " " + name + ";\n";
        std::string term = widened[i % 4];
        sum += " + " + term.replace(term.find("%s"), 2, name);
        Value items[] = {numberValue(0.1f), numberValue(0.2f), numberValue(0.3f), numberValue(0.4f)};
        variables.assign(name, i % 2 == 0 ? numberValue(0.5f) : listValue(items, 4));
    }
    return declarations + "void main() { gl_FragColor = " + sum + "; }\n";
}

}  // namespace quadrelume::testing
