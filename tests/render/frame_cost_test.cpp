// What one frame of an effect costs besides drawing: no heap allocation and
// no GL query of a location by name. This program replaces the global
// operator new and interposes GL's name queries to count both, so it holds
// nothing else.
#include <gtest/gtest.h>

#include <GLES2/gl2.h>
#include <dlfcn.h>

#include <cstdlib>
#include <new>
#include <string>

#include "render/effect_range.h"
#include "render_test_support.h"
#include "script/variable_table.h"

namespace {
long allocationCount = 0;
long nameQueryCount = 0;

template <typename Function>
Function nextDefinition(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
}  // namespace

void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

// Calls from this program reach these first; they count and pass on to GL.
extern "C" GLint glGetUniformLocation(GLuint program, const GLchar* name) {
    static auto next = nextDefinition<GLint (*)(GLuint, const GLchar*)>("glGetUniformLocation");
    ++nameQueryCount;
    return next(program, name);
}
extern "C" GLint glGetAttribLocation(GLuint program, const GLchar* name) {
    static auto next = nextDefinition<GLint (*)(GLuint, const GLchar*)>("glGetAttribLocation");
    ++nameQueryCount;
    return next(program, name);
}

namespace quadrelume {
namespace {

using testing::fragmentShader;
using testing::RenderTest;
using testing::rgbaPng;
using testing::stdoutOf;

// An effect with 16 script-fed uniforms of every settable type, the three
// built-ins and one texture, its variables all set. The texture's file name
// is too long for a string's inline buffer, so forming it anew each frame
// would show as an allocation.
class FrameCost : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        std::string declarations = "uniform float time;\nuniform float gtime;\nuniform vec2 resolution;\n"
                                   "uniform sampler2D frame_cost_texture;\n";
        std::string sum = "vec4(time + gtime, resolution, 0.0) + texture2D(frame_cost_texture, resolution)";
        const char* types[] = {"float", "vec2", "vec3", "vec4"};
        const char* widen[] = {"vec4(%s)", "vec4(%s, 0.0, 0.0)", "vec4(%s, 0.0)", "%s"};
        for (int i = 0; i < 16; ++i) {
            std::string name = "feed" + std::to_string(i);
            declarations += std::string("uniform ") + types[i % 4] + " " + name + ";\n";
            std::string term = widen[i % 4];
            sum += " + " + term.replace(term.find("%s"), 2, name);
            Value items[] = {numberValue(0.1f), numberValue(0.2f), numberValue(0.3f), numberValue(0.4f)};
            variables.assign(name, i % 2 == 0 ? numberValue(0.5f) : listValue(items, 4));
        }
        save("cost.ps", fragmentShader(declarations + "void main() { gl_FragColor = " + sum + "; }\n"));
        save("frame_cost_texture.png", rgbaPng(1, 1, {1, 2, 3, 4}));
        stdoutOf([&] { range = std::make_unique<EffectRange>("cost", &variables); });
        ASSERT_NE(range->shader, nullptr);
        ASSERT_EQ(range->shader->object->uniformNames.size(), 20u);
        range->start = 0.0f;
        range->end = 10.0f;
    }
    void TearDown() override {
        range.reset();
        RenderTest::TearDown();
    }

    VariableTable variables;
    std::unique_ptr<EffectRange> range;
};

TEST_F(FrameCost, ASteadyFrameAllocatesNothingAndQueriesNoName) {
    // The first frame loads the texture; the next ones settle GL's own state.
    stdoutOf([&] {
        for (int frame = 0; frame < 3; ++frame) range->render(1.0f + frame);
    });
    glFinish();
    const long allocationsBefore = allocationCount;
    const long queriesBefore = nameQueryCount;
    for (int frame = 0; frame < 10; ++frame) range->render(4.0f + 0.25f * frame);
    glFinish();
    EXPECT_EQ(allocationCount - allocationsBefore, 0);
    EXPECT_EQ(nameQueryCount - queriesBefore, 0);
}

TEST_F(FrameCost, TheCountersSeeWhatTheyCount) {
    // Building the program asked for a_pos and each of the 20 uniforms.
    EXPECT_EQ(nameQueryCount, 21);
    const long allocationsBefore = allocationCount;
    const long queriesBefore = nameQueryCount;
    delete new int(3);
    glGetUniformLocation(range->shader->object->program, "feed0");
    EXPECT_EQ(allocationCount - allocationsBefore, 1);
    EXPECT_EQ(nameQueryCount - queriesBefore, 1);
}

}  // namespace
}  // namespace quadrelume
