// Finds the uniform and attribute declarations of a shader source by reading
// it line by line, so that locations are asked of GL once per build and the
// renderer never queries by name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "render/shader_program.h"

namespace quadrelume {

// A line that is exactly this switches blending on for the program.
inline constexpr std::string_view blendDirective = "//QUADRELUME_BLEND";

// Type words of declarations with their codes, searched in this order.
struct ShaderTypeEntry {
    std::string_view word;
    std::int32_t code;
};
inline constexpr ShaderTypeEntry shaderTypeTable[] = {
    {"float", 1}, {"vec2", 2}, {"vec3", 3}, {"vec4", 4}, {"mat2", 5},
    {"mat3", 6},  {"mat4", 7}, {"sampler2D", 8}, {"samplerCube", 9},
};

// The code of type word `word` (exact and case-sensitive), or 0 when the
// table does not have it.
std::int32_t shaderTypeCode(std::string_view word);

// Scans `source` (up to its first NUL byte) into the linked `program`: the
// blend directive sets `blend`; each line of the form
//     blanks keyword blanks type blanks name anything
// (blanks being spaces and tabs, words ASCII identifiers, the type in
// shaderTypeTable) whose keyword is "uniform" or "attribute" records the
// name with its type code and GL location and prints
// "added uniform %s for <passVS>/<fragmentFileName>" (or "added attrib ...").
// Every other line is ignored.
void scanDeclarations(ShaderProgram& program, const char* source, const std::string& fragmentFileName);

}  // namespace quadrelume
