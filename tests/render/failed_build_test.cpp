// An editing session keeps the last good object of every holder through
// saves that do not build, and a thousand of them leave nothing behind: no
// memory and no GL object.
#include <malloc.h>

#include <functional>

#include "render/render_test_support.h"
#include "render/shader_program.h"
#include "render/texture.h"
#include "timeline/demo_loader.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator, which takes the place of malloc's; GCC ships no
// header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace quadrelume::testing {
namespace {

std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// GL objects alive among the first `names` names of each kind (Mesa hands
// out names counting up).
int liveGlObjects(GLuint names) {
    int live = 0;
    for (GLuint name = 1; name <= names; ++name)
        live += glIsShader(name) + glIsProgram(name) + glIsTexture(name);
    return live;
}

// One kind of holder: its file, a version that builds, and versions that do
// not (taken in turn).
struct FailingKind {
    const char* file;
    std::string good;
    std::vector<std::string> bad;
    std::function<std::shared_ptr<Pollable>(std::unique_ptr<ReloadableFileData>)> holder;
    std::function<const void*(Pollable*)> object;
};

template <typename T>
FailingKind kind(const char* file, std::string good, std::vector<std::string> bad, T* (*load)(ReloadableFileData*)) {
    return {file, std::move(good), std::move(bad),
            [load](std::unique_ptr<ReloadableFileData> data) {
                return std::shared_ptr<Pollable>(new Reloadable<T>(load, std::move(data)),
                                                 [](Pollable* p) { delete static_cast<Reloadable<T>*>(p); });
            },
            [](Pollable* holder) -> const void* { return static_cast<Reloadable<T>*>(holder)->object; }};
}

class FailedBuilds : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        setBuildFailurePolicy(BuildFailurePolicy::keepLastGood);
    }
    void TearDown() override {
        setBuildFailurePolicy(BuildFailurePolicy::endProcess);
        RenderTest::TearDown();
    }
};

TEST_F(FailedBuilds, AThousandFailedSavesKeepTheLastGoodObjectAndLeakNothing) {
    const std::string sixteenBit = encodePng(PngImage{1, 1, 16, 2, false, std::vector<std::uint8_t>(6, 0x80)});
    const FailingKind kinds[] = {
        kind<ShaderProgram>("failing.ps", fragmentShader("void main() { gl_FragColor = vec4(1.0); }\n"),
                            {"void main() { not glsl }\n",
                             fragmentShader("vec4 f();\nvoid main() { gl_FragColor = f(); }\n")},
                            loadShaderProgram),
        kind<Demo>("failing.txt", "0 1 x = 1\n0 1 #failing\n", {"0 1 x = (1 +\n", "0 1 y = 1 $ 2\n"}, loadDemo),
        kind<Texture>("failing.png", encodePng(PngImage{1, 1, 8, 2, false, {1, 2, 3}}), {sixteenBit, "not a png"},
                      loadTexture),
    };
    for (const FailingKind& k : kinds) {
        SCOPED_TRACE(k.file);
        save(k.file, k.good);
        std::shared_ptr<Pollable> holder;
        stdoutOf([&] { holder = k.holder(loadReloadableFile(k.file)); });
        const void* good = k.object(holder.get());
        ASSERT_NE(good, nullptr);

        auto failSaves = [&](int count) {
            std::string errors = stderrOf([&] {
                stdoutOf([&] {
                    for (int i = 0; i < count; ++i) {
                        save(k.file, k.bad[i % k.bad.size()]);
                        holder->poll();
                        if (k.object(holder.get()) != good) break;
                    }
                });
            });
            return errors;
        };
        std::string first = failSaves(10);
        EXPECT_NE(first.find(std::string(k.file) + " did not build, the last good version stays:\n"),
                  std::string::npos)
            << first;
        ASSERT_EQ(k.object(holder.get()), good) << first;

        // The driver's and the allocator's own tables settle over the first
        // thousand failures (by some 100 KB for the shader compiler); what
        // counts is that a thousand more take nothing more.
        const GLuint probedNames = 12000;
        const int glBefore = liveGlObjects(probedNames);
        failSaves(1000);
        const std::size_t heapBefore = heapInUse();
        failSaves(1000);
        ASSERT_EQ(k.object(holder.get()), good) << "the last good object stays through every failed save";
        EXPECT_EQ(liveGlObjects(probedNames), glBefore);
        EXPECT_LT(heapInUse(), heapBefore + 48 * 1024) << "bytes in use grew from " << heapBefore;

        std::string recovered = stderrOf([&] { stdoutOf([&] { save(k.file, k.good), holder->poll(); }); });
        EXPECT_NE(k.object(holder.get()), good) << "a save that builds takes over";
        EXPECT_NE(k.object(holder.get()), nullptr);
        EXPECT_EQ(recovered, std::string(k.file) + " builds again\n");
    }
}

}  // namespace
}  // namespace quadrelume::testing
