#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include <optional>
#include <string>
#include <vector>

#include "render/effect_range.h"
#include "render/shader_build.h"
#include "render/shader_program.h"
#include "render_test_support.h"
#include "script/variable_table.h"

namespace quadrelume {
namespace {

using testing::fragmentShader;
using testing::GlContext;
using testing::InDirectory;
using testing::RenderTest;
using testing::stdoutOf;

// What one uniform's map entry should hold; `active` tells whether GL kept
// the name (a location other than -1).
struct ExpectedUniform {
    std::string name;
    int type;
    bool active;
};

struct ScanCase {
    const char* file;  // effect name; the shader file is this + ".ps"
    std::string source;
    std::vector<std::string> uniformNames;
    std::vector<ExpectedUniform> uniforms;
    bool blend;
};

const char* mainUsing(const char* expression) {
    static std::string text;
    text = std::string("void main() { gl_FragColor = ") + expression + "; }\n";
    return text.c_str();
}

std::vector<ScanCase> scanCases() {
    return {
        {"scan_order",
         fragmentShader("uniform float time;\nuniform vec2 resolution;\nuniform float unused;\n") +
             mainUsing("vec4(time, resolution, 1.0)"),
         {"time", "resolution", "unused"},
         {{"time", 1, true}, {"resolution", 2, true}, {"unused", 1, false}},
         false},
        {"scan_every_type",
         fragmentShader("uniform vec3 c3;\nuniform vec4 c4;\nuniform mat2 m2;\nuniform mat3 m3;\nuniform mat4 m4;\n"
                        "uniform sampler2D s2;\nuniform samplerCube sc;\n") +
             mainUsing("c4 + vec4(c3, m2[0][0] + m3[0][0] + m4[0][0]) + texture2D(s2, c3.xy) + "
                       "textureCube(sc, c3)"),
         {"c3", "c4", "m2", "m3", "m4", "s2", "sc"},
         {{"c3", 3, true}, {"c4", 4, true}, {"m2", 5, true}, {"m3", 6, true}, {"m4", 7, true}, {"s2", 8, true},
          {"sc", 9, true}},
         false},
        // Qualifiers between keyword and type, types outside the table and
        // other keywords make no declaration.
        {"scan_not_declarations",
         fragmentShader("uniform lowp float a;\nuniform mediump vec2 b;\nuniform highp vec3 c;\nuniform int d;\n"
                        "uniform bool e;\nuniform ivec2 f;\nvarying vec2 g;\nconst float h = 1.0;\n"
                        "/*\nUniform float i;\nuniform Float j;\n*/\nuniform float kept;\n") +
             mainUsing("vec4(a, b, c.x + float(d) + float(f.x) + (e ? 1.0 : 0.0) + kept + h)"),
         {"kept"},
         {{"kept", 1, true}},
         false},
        // Only the first name of a list, the bare name of an array, tabs as
        // blanks, and nothing for a type word without a name on its line.
        {"scan_shapes",
         fragmentShader("uniform float first, second;\nuniform vec4 colours[3];\n\tuniform\tvec3\t \ttabbed;\n"
                        "uniform float\n  unnamed;\nuniform vec2 tight;// comment\n/*\nuniformfloat glued;\n*/\n") +
             mainUsing("vec4(first + second + unnamed, tabbed) + colours[1] + tight.xyxy"),
         {"first", "colours", "tabbed", "tight"},
         {{"first", 1, true}, {"colours", 4, true}, {"tabbed", 3, true}, {"tight", 2, true}},
         false},
        // Lines in disabled branches and comments are scanned like any other;
        // a repeated name keeps its last declaration in the map.
        {"scan_duplicates",
         fragmentShader("#if 0\nuniform float dup;\n#endif\nuniform vec2 dup;\n/*\nuniform vec4 ghost;\n*/\n") +
             mainUsing("vec4(dup, 0.0, 1.0)"),
         {"dup", "dup", "ghost"},
         {{"dup", 2, true}, {"ghost", 4, false}},
         false},
        {"scan_blend_exact", "//QUADRELUME_BLEND\n" + fragmentShader(mainUsing("vec4(1.0)")), {}, {}, true},
        {"scan_blend_last_line", fragmentShader(mainUsing("vec4(1.0)")) + "//QUADRELUME_BLEND", {}, {}, true},
        {"scan_blend_crlf", "precision highp float;\r\n//QUADRELUME_BLEND\r\nvoid main() { gl_FragColor = vec4(1.0); }\r\n",
         {}, {}, true},
        {"scan_blend_cr_only", "precision highp float;\r//QUADRELUME_BLEND\rvoid main() { gl_FragColor = vec4(1.0); }\r",
         {}, {}, true},
        {"scan_blend_indented", " //QUADRELUME_BLEND\n\t//QUADRELUME_BLEND\n" + fragmentShader(mainUsing("vec4(1.0)")),
         {}, {}, false},
        {"scan_blend_trailing",
         "//QUADRELUME_BLEND \n//QUADRELUME_BLENDING\n//QUADRELUME_BLEND;\n//quadrelume_blend\n" +
             fragmentShader(mainUsing("vec4(1.0)")),
         {}, {}, false},
        // CR LF line ends scan the same as LF.
        {"scan_crlf",
         "precision highp float;\r\nuniform float time;\r\nuniform vec2 resolution;\r\n"
         "void main() { gl_FragColor = vec4(time, resolution, 1.0); }\r\n",
         {"time", "resolution"},
         {{"time", 1, true}, {"resolution", 2, true}},
         false},
    };
}

class ShaderScan : public RenderTest {};

TEST_F(ShaderScan, FindsDeclarationsLineByLine) {
    for (const ScanCase& c : scanCases()) {
        SCOPED_TRACE(c.file);
        const std::string file = std::string(c.file) + ".ps";
        save(file, c.source);
        Reloadable<ShaderProgram>* holder = nullptr;
        std::string printed = stdoutOf([&] { holder = acquireShaderProgram(c.file); });
        ASSERT_NE(holder, nullptr);
        const ShaderProgram& program = *holder->object;

        std::string expectedTrace = "added attrib a_pos for <passVS>/" + file + "\n";
        for (const std::string& name : c.uniformNames)
            expectedTrace += "added uniform " + name + " for <passVS>/" + file + "\n";
        EXPECT_EQ(printed, expectedTrace);
        EXPECT_EQ(program.uniformNames, c.uniformNames);
        EXPECT_EQ(program.blend, c.blend);
        EXPECT_EQ(program.uniforms.size(), c.uniforms.size());
        for (const ExpectedUniform& u : c.uniforms) {
            const ShaderVariable* found = program.findUniform(u.name);
            ASSERT_NE(found, nullptr) << u.name;
            EXPECT_EQ(found->type, u.type) << u.name;
            EXPECT_EQ(found->location, glGetUniformLocation(program.program, u.name.c_str())) << u.name;
            EXPECT_EQ(found->location != -1, u.active) << u.name;
        }
        EXPECT_EQ(program.attributeNames, std::vector<std::string>{"a_pos"});
        ASSERT_NE(program.findAttribute("a_pos"), nullptr);
        EXPECT_EQ(program.findAttribute("a_pos")->type, 3);
        EXPECT_EQ(program.findAttribute("a_pos")->location, glGetAttribLocation(program.program, "a_pos"));
        EXPECT_NE(program.findAttribute("a_pos")->location, -1);
        EXPECT_EQ(program.findUniform("a_pos"), nullptr);
        EXPECT_EQ(program.findAttribute("time"), nullptr);
    }
}

TEST_F(ShaderScan, AttributeLinesOfTheFragmentSourceAreRecordedToo) {
    // An attribute cannot be declared in a fragment shader, but inside a
    // comment the line is scanned all the same and names an inactive one.
    save("scan_attribute.ps",
         fragmentShader("/*\nattribute vec2 extra;\n*/\n" + std::string(mainUsing("vec4(1.0)"))));
    Reloadable<ShaderProgram>* holder = nullptr;
    EXPECT_EQ(stdoutOf([&] { holder = acquireShaderProgram("scan_attribute"); }),
              "added attrib a_pos for <passVS>/scan_attribute.ps\n"
              "added attrib extra for <passVS>/scan_attribute.ps\n");
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->object->attributeNames, (std::vector<std::string>{"a_pos", "extra"}));
    ASSERT_NE(holder->object->findAttribute("extra"), nullptr);
    EXPECT_EQ(holder->object->findAttribute("extra")->type, 2);
    EXPECT_EQ(holder->object->findAttribute("extra")->location, -1);
}

TEST(PassVertexShader, IsTheFixedText) {
    EXPECT_STREQ(passVertexShaderSource,
                 "attribute vec3    a_pos;\nvoid main() {\n  gl_Position = vec4(a_pos,1);\n}\n");
    EXPECT_STREQ(passVertexShaderName, "<passVS>");
}

class ShaderBuild : public RenderTest {};

TEST_F(ShaderBuild, ReportsWhatGlCannotCreateOrCompile) {
    CompileResult noShader = compileShader(GL_TEXTURE_2D, "x.ps", "void main() {}");
    EXPECT_EQ(noShader.shader, 0u);
    EXPECT_EQ(noShader.error, "Could not create glShader");

    CompileResult broken = compileShader(GL_FRAGMENT_SHADER, "broken.ps", "void main() { nonsense }");
    EXPECT_EQ(broken.shader, 0u);
    EXPECT_EQ(broken.error.rfind("Error in broken.ps:", 0), 0u) << broken.error;
    EXPECT_GT(broken.error.size(), std::string("Error in broken.ps:").size());
}

TEST_F(ShaderBuild, AnEmptyInfoLogGivesTheUnknownErrorText) {
    CompileResult fine = compileShader(GL_VERTEX_SHADER, "<passVS>", passVertexShaderSource);
    ASSERT_NE(fine.shader, 0u);
    GLint length = -1;
    glGetShaderiv(fine.shader, GL_INFO_LOG_LENGTH, &length);
    if (length > 0) GTEST_SKIP() << "this GL writes a log for a clean compile";
    EXPECT_EQ(infoLogMessage(fine.shader, false, "<passVS>"), "Unknown error in :<passVS>");
    glDeleteShader(fine.shader);
}

TEST_F(ShaderBuild, AFailedBuildLeavesNoGlObjectBehind) {
    // This GL hands names out in order, so every name below the next one it
    // gives belonged to an object of these builds; none may still exist.
    BuildResult compileFailure = buildShaderProgram("leak_compile.ps", "void main() { nonsense }");
    BuildResult linkFailure = buildShaderProgram(
        "leak_link.ps", "precision highp float;\nvarying vec4 v;\nvoid main() { gl_FragColor = v; }\n");
    EXPECT_EQ(compileFailure.program, nullptr);
    EXPECT_EQ(linkFailure.program, nullptr);
    EXPECT_EQ(linkFailure.error.rfind("Error in <passVS> or in leak_link.ps:", 0), 0u) << linkFailure.error;
    GLuint probe = glCreateShader(GL_VERTEX_SHADER);
    // The builds made five objects; a GL that handed their names out again
    // would leave nothing to check.
    ASSERT_GT(probe, 5u);
    for (GLuint name = 1; name < probe; ++name) {
        EXPECT_FALSE(glIsShader(name)) << name;
        EXPECT_FALSE(glIsProgram(name)) << name;
    }
    glDeleteShader(probe);
}

// Death tests fork: the GL context is made in the child, so the parent
// never holds one while forking.
class ShaderFailure : public InDirectory {};

TEST_F(ShaderFailure, CompileAndLinkErrorsAreFatalWithTheFramedLog) {
    const struct {
        const char* effect;
        const char* source;
        const char* stderrPattern;
    } cases[] = {
        {"fatal_compile", "precision highp float;\nvoid main() { gl_FragColor = vec4(1.0) }\n",
         "^Error in fatal_compile\\.ps:[0-9]+:2\\([0-9]+\\): error: [^\n]*\n\n$"},
        // The fragment shader reads a varying that the vertex shader never writes.
        {"fatal_link", "precision highp float;\nvarying vec4 v;\nvoid main() { gl_FragColor = v; }\n",
         "^Error in <passVS> or in fatal_link\\.ps:error: [^\n]*`v'[^\n]*\n\n$"},
    };
    for (const auto& c : cases) {
        save(std::string(c.effect) + ".ps", c.source);
        EXPECT_EXIT(
            {
                GlContext gl(4, 4);
                acquireShaderProgram(c.effect);
            },
            ::testing::ExitedWithCode(255), c.stderrPattern);
    }
}

TEST_F(ShaderFailure, AFaultyEditIsFatalWhenPolled) {
    save("fatal_edit.ps", fragmentShader(mainUsing("vec4(1.0)")));
    EXPECT_EXIT(
        {
            GlContext gl(4, 4);
            if (acquireShaderProgram("fatal_edit") == nullptr) std::exit(1);
            save("fatal_edit.ps", "void main() { syntax error here }\n");
            pollAll();
        },
        ::testing::ExitedWithCode(255), "^Error in fatal_edit\\.ps:[0-9]+:1\\([0-9]+\\): error: [^\n]*\n\n$");
}

class ProgramCacheTest : public RenderTest {};

TEST_F(ProgramCacheTest, RangesOfOneEffectShareOneEntry) {
    save("cache_shared.ps", fragmentShader("uniform float level;\n" + std::string(mainUsing("vec4(level)"))));
    VariableTable variables;
    std::optional<EffectRange> first;
    std::optional<EffectRange> second;
    EXPECT_EQ(stdoutOf([&] { first.emplace("cache_shared", &variables); }),
              "added attrib a_pos for <passVS>/cache_shared.ps\n"
              "added uniform level for <passVS>/cache_shared.ps\n");
    EXPECT_EQ(stdoutOf([&] { second.emplace("cache_shared", &variables); }), "Found cache_shared.ps in cache\n");
    ASSERT_NE(first->shader, nullptr);
    EXPECT_EQ(first->shader, second->shader);
    EXPECT_EQ(first->shaderFile, "cache_shared.ps");
    EXPECT_EQ(programCache().at("cache_shared.ps"), first->shader);
    ASSERT_EQ(pollables.size(), 1u);
    EXPECT_EQ(pollables[0], first->shader);
}

TEST_F(ProgramCacheTest, AMissingShaderIsNotCachedAndIsBuiltOnceItExists) {
    VariableTable variables;
    std::string trace = stdoutOf([&] {
        EffectRange missing("cache_late", &variables);
        EXPECT_EQ(missing.shader, nullptr);
        EXPECT_EQ(missing.shaderFile, "cache_late.ps");
    });
    EXPECT_EQ(trace, "");
    EXPECT_EQ(programCache().count("cache_late.ps"), 0u);
    EXPECT_TRUE(pollables.empty());

    save("cache_late.ps", fragmentShader(mainUsing("vec4(1.0)")));
    trace = stdoutOf([&] {
        EffectRange present("cache_late", &variables);
        EXPECT_NE(present.shader, nullptr);
    });
    EXPECT_EQ(trace, "added attrib a_pos for <passVS>/cache_late.ps\n");
    EXPECT_EQ(programCache().count("cache_late.ps"), 1u);
}

TEST_F(ProgramCacheTest, ASavedShaderIsRebuiltInPlaceForEveryRange) {
    EffectRange* left = &effect("cache_live", fragmentShader(mainUsing("vec4(1.0, 0.0, 0.0, 1.0)")));
    EffectRange* right = &effect("cache_live");
    const ShaderProgram* before = left->shader->object;

    // Unchanged file: polling rebuilds nothing.
    EXPECT_EQ(stdoutOf([] { pollAll(); }), "");
    EXPECT_EQ(left->shader->object, before);

    save("cache_live.ps", fragmentShader("uniform float level;\n" + std::string(mainUsing("vec4(0.0, 1.0, 0.0, 1.0)"))));
    EXPECT_EQ(stdoutOf([] { pollAll(); }),
              "Reloading:cache_live.ps\n"
              "added attrib a_pos for <passVS>/cache_live.ps\n"
              "added uniform level for <passVS>/cache_live.ps\n");
    EXPECT_EQ(left->shader, right->shader);
    EXPECT_EQ(left->shader->object->uniformNames, std::vector<std::string>{"level"});

    for (EffectRange* range : {left, right}) {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        range->render(0.0f);
        EXPECT_EQ(gl->pixel(1, 1), (testing::Rgba{0, 255, 0, 255}));
    }
}

}  // namespace
}  // namespace quadrelume
