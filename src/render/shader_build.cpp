#include "render/shader_build.h"

#include "render/shader_scan.h"

namespace quadrelume {

CompileResult compileShader(GLenum shaderType, const std::string& name, const char* source) {
    GLuint shader = glCreateShader(shaderType);
    if (shader == 0) return {0, "Could not create glShader"};
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != 0) return {shader, {}};
    std::string error = infoLogMessage(shader, false, name);
    glDeleteShader(shader);
    return {0, std::move(error)};
}

std::string infoLogMessage(GLuint object, bool isProgram, const std::string& name) {
    GLint length = 0;
    if (isProgram) {
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    } else {
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    }
    if (length < 1) return "Unknown error in :" + name;
    std::string log(static_cast<std::size_t>(length) + 1, '\0');
    if (isProgram) {
        glGetProgramInfoLog(object, length, nullptr, log.data());
    } else {
        glGetShaderInfoLog(object, length, nullptr, log.data());
    }
    return "Error in " + name + ":" + log.c_str();
}

BuildResult buildShaderProgram(const std::string& fileName, const char* source) {
    CompileResult vertex = compileShader(GL_VERTEX_SHADER, passVertexShaderName, passVertexShaderSource);
    if (vertex.shader == 0) return {nullptr, std::move(vertex.error)};
    CompileResult fragment = compileShader(GL_FRAGMENT_SHADER, fileName, source);
    if (fragment.shader == 0) {
        glDeleteShader(vertex.shader);
        return {nullptr, std::move(fragment.error)};
    }
    GLuint program = glCreateProgram();
    if (program == 0) {
        glDeleteShader(vertex.shader);
        glDeleteShader(fragment.shader);
        return {nullptr, "Could not create a glProgram"};
    }
    glAttachShader(program, vertex.shader);
    glAttachShader(program, fragment.shader);
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == 0) {
        std::string error = infoLogMessage(program, true, std::string(passVertexShaderName) + " or in " + fileName);
        glDeleteShader(vertex.shader);
        glDeleteShader(fragment.shader);
        glDeleteProgram(program);
        return {nullptr, std::move(error)};
    }
    // Attached shaders live on inside the program; only our names go.
    glDeleteShader(fragment.shader);
    glDeleteShader(vertex.shader);
    auto built = std::make_unique<ShaderProgram>(program);
    scanDeclarations(*built, passVertexShaderSource, fileName);
    scanDeclarations(*built, source, fileName);
    return {std::move(built), {}};
}

}  // namespace quadrelume
