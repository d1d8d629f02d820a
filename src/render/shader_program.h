// Linked shader programs, with the uniforms and attributes their sources
// declare, and the process-wide cache that builds one program per shader
// file and rebuilds it in place when the file is saved.
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "reload/reloadable.h"

namespace quadrelume {

// One declared uniform or attribute.
struct ShaderVariable {
    std::int32_t type = 0;       // type code of the declaration (see shaderTypeTable)
    std::int32_t location = -1;  // what GL gave for the name at build time; -1 when inactive
};

// A linked GL program and what the effect renderer needs to feed it. Built
// by buildShaderProgram; nothing changes after the build.
class ShaderProgram {
public:
    using VariableMap = std::map<std::string, ShaderVariable, std::less<>>;

    // Takes over `linkedProgram`, with no declarations yet and blending off.
    explicit ShaderProgram(GLuint linkedProgram) : program(linkedProgram) {}
    // Deletes the GL program.
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    // The uniform or attribute declared under `name`, or null.
    const ShaderVariable* findUniform(std::string_view name) const;
    const ShaderVariable* findAttribute(std::string_view name) const;

    bool blend = false;                       // a source holds the line "//QUADRELUME_BLEND"
    std::vector<std::string> uniformNames;    // every uniform declaration in order, duplicates included
    std::vector<std::string> attributeNames;  // the same for attributes
    VariableMap uniforms;                     // by name; a later declaration replaces an earlier one
    VariableMap attributes;
    GLuint program = 0;  // owned
};

// The load function of every cached program: builds from the file's path
// (the shader file name) and contents. A build error is fatal, with the
// build's message, so this never returns null.
ShaderProgram* loadShaderProgram(ReloadableFileData* file);

// The cached holder of the program of effect `effectName`, whose shader file
// is the name followed by ".ps" in the current directory. Prints "Found %s in
// cache" when the cache has it; otherwise reads the file, builds the program
// (fatal on a faulty shader), registers the holder for polling and caches it.
// Null, with nothing cached, when the file cannot be read, so that a later
// call tries again. Needs the GL context current.
Reloadable<ShaderProgram>* acquireShaderProgram(const std::string& effectName);

// The program cache by shader file name. Entries are never removed and live
// until the process ends.
using ProgramCache = std::map<std::string, Reloadable<ShaderProgram>*, std::less<>>;
const ProgramCache& programCache();

}  // namespace quadrelume
