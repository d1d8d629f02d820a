// What one frame of an effect costs besides drawing: no heap allocation and
// no GL query of a location by name. This program replaces the global
// operator new and interposes GL's name queries to count both, so it holds
// nothing else.
#include <gtest/gtest.h>

#include <GLES2/gl2.h>
#include <dlfcn.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

#include "busy_effect.h"
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

// Every form of operator new counts and every form of delete frees: the GL
// driver's compiler allocates with the nothrow and aligned forms too, and a
// form left to the runtime would pair its new with our delete.
namespace {
void* countedAllocation(std::size_t size, std::size_t alignment) {
    ++allocationCount;
    if (size == 0) size = 1;
    if (alignment <= alignof(std::max_align_t)) return std::malloc(size);
    return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
}
void* countedOrThrow(std::size_t size, std::size_t alignment) {
    if (void* p = countedAllocation(size, alignment)) return p;
    throw std::bad_alloc();
}
constexpr std::size_t plain = alignof(std::max_align_t);
}  // namespace

void* operator new(std::size_t size) { return countedOrThrow(size, plain); }
void* operator new[](std::size_t size) { return countedOrThrow(size, plain); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size, plain); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size, plain); }
void* operator new(std::size_t size, std::align_val_t a) { return countedOrThrow(size, std::size_t(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return countedOrThrow(size, std::size_t(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return countedAllocation(size, std::size_t(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return countedAllocation(size, std::size_t(a));
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

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

using testing::RenderTest;
using testing::rgbaPng;
using testing::stdoutOf;

// The busy effect with its variables set. The texture's file name is too
// long for a string's inline buffer, so forming it anew each frame would
// show as an allocation.
class FrameCost : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        save("frame_cost_texture.png", rgbaPng(1, 1, {1, 2, 3, 4}));
        range = &effect("cost", testing::busyEffectShader("frame_cost_texture", variables));
        ASSERT_NE(range->shader, nullptr);
        ASSERT_EQ(range->shader->object->uniformNames.size(), 20u);
        range->start = 0.0f;
        range->end = 10.0f;
    }
    EffectRange* range = nullptr;
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
