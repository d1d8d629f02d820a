// The overlay over a demo that draws into a buffer: it shows the buffer and
// leaves the buffer's image and GL's state as the demo left them.
#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "overlay/overlay.h"
#include "shell/shell_state.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "timeline/demo_loader.h"

namespace quadrelume {
namespace {

// The pixels of `texture`, read through a framebuffer of its own.
std::vector<float> imageOf(GLuint texture, int width, int height) {
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    std::vector<float> pixels(static_cast<std::size_t>(width * height * 4));
    glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, pixels.data());
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(bound));
    glDeleteFramebuffers(1, &framebuffer);
    return pixels;
}

// The GL state the demo's next frame relies on.
struct DemoState {
    GLint framebuffer = -1, program = -1, activeTexture = -1, texture = -1;
    std::array<GLint, 4> viewport{};
    GLboolean blend = GL_FALSE;

    static DemoState now() {
        DemoState state;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &state.framebuffer);
        glGetIntegerv(GL_CURRENT_PROGRAM, &state.program);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &state.activeTexture);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.texture);
        glGetIntegerv(GL_VIEWPORT, state.viewport.data());
        state.blend = glIsEnabled(GL_BLEND);
        return state;
    }
    bool operator==(const DemoState&) const = default;
};

TEST(BuffersOverlay, ShowsTheBuffersAndLeavesTheirImagesAndTheStateAsTheDemoLeftThem) {
    testing::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    dir.write("lit.ps", "precision highp float;\nvoid main() { gl_FragColor = vec4(0.5, 0.25, 1.0, 0.0); }\n");
    dir.write("lit_show.ps", "//QUADRELUME_BLEND\nprecision highp float;\nuniform vec2 resolution;\n"
                             "uniform sampler2D lit;\nvoid main() { gl_FragColor = texture2D(lit, "
                             "gl_FragCoord.xy / resolution); }\n");
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    {
        testing::GlContext gl(320, 240);
        windowWidth = 320;
        windowHeight = 240;
        FileData timeline("0 10 lit/2 = #lit\n0 10 #lit_show\n");
        ::testing::internal::CaptureStdout();  // the shader scans
        std::unique_ptr<Demo> demo(loadDemo(&timeline, nowhere));
        ::testing::internal::GetCapturedStdout();
        overlay::Overlay overlay;
        glViewport(0, 0, 320, 240);
        glClear(GL_COLOR_BUFFER_BIT);
        demo->render(1.0f);
        const RenderBuffer& lit = *demo->buffers.buffers().at(0);
        const std::vector<float> image = imageOf(lit.image(), lit.width(), lit.height());
        ASSERT_FLOAT_EQ(image[0], 0.5f);
        const DemoState before = DemoState::now();

        const std::string note = "At 1.00 s the buffers caught up";
        overlay::OverlayFrame frame;
        frame.time = 1.0f;
        frame.demo = demo.get();
        frame.bufferNote = &note;
        frame.frameSeconds = 1.0 / 60.0;
        frame.width = 320;
        frame.height = 240;
        overlay.draw(frame);
        EXPECT_TRUE(DemoState::now() == before);
        EXPECT_TRUE(imageOf(lit.image(), lit.width(), lit.height()) == image);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        demo.reset();
    }
    std::fclose(nowhere);
    std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace quadrelume
