#include "render/shader_scan.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "reload/file_data.h"
#include "reload/split_lines.h"
#include "render/shader_build.h"

namespace quadrelume {
namespace {

// What a recognised keyword does with its declaration.
struct DeclarationKind {
    std::string_view keyword;
    GLint (*locate)(GLuint program, const GLchar* name);
    std::vector<std::string> ShaderProgram::*names;
    ShaderProgram::VariableMap ShaderProgram::*variables;
    const char* trace;
};

const DeclarationKind declarationKinds[] = {
    {"uniform", glGetUniformLocation, &ShaderProgram::uniformNames, &ShaderProgram::uniforms,
     "added uniform %s for %s/%s\n"},
    {"attribute", glGetAttribLocation, &ShaderProgram::attributeNames, &ShaderProgram::attributes,
     "added attrib %s for %s/%s\n"},
};

struct Declaration {
    std::string_view keyword;
    std::string_view type;
    std::string_view name;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isWordStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isWordPart(char c) { return isWordStart(c) || (c >= '0' && c <= '9'); }

// Advances `at` over blanks; answers how many there were.
std::size_t skipBlanks(std::string_view line, std::size_t& at) {
    std::size_t from = at;
    while (at < line.size() && isBlank(line[at])) ++at;
    return at - from;
}

// The identifier starting at `at` (empty when none does), advancing past it.
std::string_view readWord(std::string_view line, std::size_t& at) {
    std::size_t from = at;
    if (at < line.size() && isWordStart(line[at])) {
        ++at;
        while (at < line.size() && isWordPart(line[at])) ++at;
    }
    return line.substr(from, at - from);
}

// keyword, type and name of a line shaped like a declaration; the rest of the
// line does not matter.
std::optional<Declaration> parseDeclaration(std::string_view line) {
    std::size_t at = 0;
    skipBlanks(line, at);
    Declaration found;
    found.keyword = readWord(line, at);
    if (found.keyword.empty() || skipBlanks(line, at) == 0) return std::nullopt;
    found.type = readWord(line, at);
    if (found.type.empty() || skipBlanks(line, at) == 0) return std::nullopt;
    found.name = readWord(line, at);
    if (found.name.empty()) return std::nullopt;
    return found;
}

const DeclarationKind* kindOf(std::string_view keyword) {
    for (const DeclarationKind& kind : declarationKinds)
        if (kind.keyword == keyword) return &kind;
    return nullptr;
}

}  // namespace

std::int32_t shaderTypeCode(std::string_view word) {
    for (const ShaderTypeEntry& entry : shaderTypeTable)
        if (entry.word == word) return entry.code;
    return 0;
}

void scanDeclarations(ShaderProgram& program, const char* source, const std::string& fragmentFileName) {
    for (const std::string& line : splitLines(FileData(source))) {
        if (line == blendDirective) program.blend = true;
        std::optional<Declaration> declaration = parseDeclaration(line);
        if (!declaration) continue;
        std::int32_t code = shaderTypeCode(declaration->type);
        const DeclarationKind* kind = kindOf(declaration->keyword);
        if (code == 0 || kind == nullptr) continue;
        std::string name(declaration->name);
        (program.*kind->names).push_back(name);
        (program.*kind->variables)[name] = ShaderVariable{code, kind->locate(program.program, name.c_str())};
        std::printf(kind->trace, name.c_str(), passVertexShaderName, fragmentFileName.c_str());
    }
}

}  // namespace quadrelume
