// Compiling and linking a fragment shader with the fixed pass-through vertex
// shader into a ShaderProgram.
#pragma once

#include <GLES2/gl2.h>

#include <memory>
#include <string>

#include "render/shader_program.h"

namespace quadrelume {

// Name of the built-in vertex shader in messages and in the declaration trace.
inline constexpr const char* passVertexShaderName = "<passVS>";

// Puts each vertex of the screen quad at its own x and y in normalised device
// coordinates; gives every program the attribute a_pos (vec3).
inline constexpr const char* passVertexShaderSource =
    "attribute vec3    a_pos;\nvoid main() {\n  gl_Position = vec4(a_pos,1);\n}\n";

// A compiled shader object, or 0 and the reason.
struct CompileResult {
    GLuint shader = 0;
    std::string error;
};

// A new program (owned by the receiver) and no error, or no program and the
// error message.
struct BuildResult {
    std::unique_ptr<ShaderProgram> program;
    std::string error;
};

// Compiles `source` (NUL-terminated) as a shader of `shaderType`
// (GL_VERTEX_SHADER or GL_FRAGMENT_SHADER). On failure the shader object is
// deleted and the error is "Could not create glShader" or the framed info log
// (infoLogMessage) under `name`.
CompileResult compileShader(GLenum shaderType, const std::string& name, const char* source);

// The message for a failed compile (`isProgram` false) or link of `object`:
// "Error in " + name + ":" + the info log, or "Unknown error in :" + name
// when the log is empty. The log is passed on untrimmed.
std::string infoLogMessage(GLuint object, bool isProgram, const std::string& name);

// Builds the program of fragment shader `fileName` from `source` (up to its
// first NUL byte) and the pass-through vertex shader, then scans both sources
// for declarations (printing a line for each). Every GL object that a failed
// build created is deleted before the error is returned.
BuildResult buildShaderProgram(const std::string& fileName, const char* source);

}  // namespace quadrelume
