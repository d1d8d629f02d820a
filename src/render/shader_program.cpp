#include "render/shader_program.h"

#include <cstdio>

#include "platform/fatal.h"
#include "render/shader_build.h"

namespace quadrelume {
namespace {

// Never destroyed: holders may be polled until the very end, and deleting GL
// programs after the context is gone would gain nothing.
ProgramCache& cache() {
    static ProgramCache* programs = new ProgramCache();
    return *programs;
}

const ShaderVariable* findIn(const ShaderProgram::VariableMap& map, std::string_view name) {
    auto found = map.find(name);
    return found == map.end() ? nullptr : &found->second;
}

}  // namespace

ShaderProgram::~ShaderProgram() { glDeleteProgram(program); }

const ShaderVariable* ShaderProgram::findUniform(std::string_view name) const { return findIn(uniforms, name); }

const ShaderVariable* ShaderProgram::findAttribute(std::string_view name) const { return findIn(attributes, name); }

ShaderProgram* loadShaderProgram(ReloadableFileData* file) {
    BuildResult built = buildShaderProgram(file->path, file->data);
    if (built.program == nullptr) fatal(built.error);
    return built.program.release();
}

Reloadable<ShaderProgram>* acquireShaderProgram(const std::string& effectName) {
    const std::string fileName = effectName + ".ps";
    if (auto found = cache().find(fileName); found != cache().end()) {
        std::printf("Found %s in cache\n", fileName.c_str());
        return found->second;
    }
    std::unique_ptr<ReloadableFileData> file = loadReloadableFile(fileName);
    if (file == nullptr) return nullptr;
    // The holder builds at once (a faulty shader ends the process here) and
    // registers itself for polling.
    auto* holder = new Reloadable<ShaderProgram>(loadShaderProgram, std::move(file));
    cache().emplace(fileName, holder);
    return holder;
}

const ProgramCache& programCache() { return cache(); }

}  // namespace quadrelume
