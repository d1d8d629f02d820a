// Timelines whose effects draw into buffers and read them: passes, sizes,
// feedback, the order of reading and drawing, and what reloads keep. Each
// frame is drawn as the player draws it, on a 4 x 4 surface.
#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include <cstdio>
#include <memory>
#include <string>

#include "render/buffer_format.h"
#include "render_test_support.h"
#include "timeline/demo_loader.h"

namespace quadrelume {
namespace {

using testing::fragmentShader;
using testing::near;
using testing::Rgba;

// Shows sampler `name` over the screen; the resolution in blue, /16.
std::string showShader(const std::string& name) {
    return fragmentShader("uniform vec2 resolution;\nuniform sampler2D " + name +
                          ";\nvoid main() { vec4 c = texture2D(" + name +
                          ", gl_FragCoord.xy / resolution);\n  gl_FragColor = c; }\n");
}

// Adds 1/255 to every channel of what `name` held in the last frame.
std::string countShader(const std::string& name) {
    return fragmentShader("uniform vec2 resolution;\nuniform sampler2D " + name +
                          ";\nvoid main() { gl_FragColor = texture2D(" + name +
                          ", gl_FragCoord.xy / resolution) + vec4(1.0 / 255.0); }\n");
}

class BufferRender : public testing::RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        trace = std::tmpfile();
    }
    void TearDown() override {
        demos.clear();
        std::fclose(trace);
        RenderTest::TearDown();
    }

    // Loads the timeline `text` (its shader builds' lines discarded); the
    // Demo lives until the test ends.
    Demo& load(const std::string& text) {
        FileData file(text);
        testing::stdoutOf([&] { demos.emplace_back(loadDemo(&file, trace)); });
        return *demos.back();
    }

    // One frame of `demo` at `t`, as the player's frame loop draws it.
    void frame(Demo& demo, float t) {
        glViewport(0, 0, windowWidth, windowHeight);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        demo.render(t);
    }

    std::FILE* trace = nullptr;
    std::vector<std::unique_ptr<Demo>> demos;
};

TEST_F(BufferRender, APassDrawsIntoABufferThatTheScreenPassShowsBesideAnImage) {
    save("known.ps", fragmentShader("void main() { gl_FragColor = vec4(0.2, 0.4, 0.6, 1.0); }\n"));
    // The buffer wins over an image of its name; the image of another name
    // is read through a second sampler.
    save("known_colour.png", testing::rgbaPng(1, 1, {255, 255, 255, 255}));
    save("side_img.png", testing::rgbaPng(1, 1, {0, 0, 0, 200}));
    save("combine.ps",
         fragmentShader("uniform vec2 resolution;\nuniform sampler2D known_colour;\nuniform sampler2D side_img;\n"
                        "void main() { vec2 uv = gl_FragCoord.xy / resolution;\n"
                        "  gl_FragColor = vec4(texture2D(known_colour, uv).rgb, texture2D(side_img, uv).a); }\n"));
    Demo& demo = load("0 10 known_colour = #known\n0 10 #combine\n");
    testing::stdoutOf([&] { frame(demo, 1.0f); });
    EXPECT_TRUE(near(gl->pixel(0, 0), {51, 102, 153, 200}));
    EXPECT_TRUE(near(gl->pixel(3, 3), {51, 102, 153, 200}));
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(framebuffer, 0) << "the screen is bound after the frame";
}

TEST_F(BufferRender, AHalfSizeBuffersResolutionIsHalfThePicturesAndFollowsAResize) {
    save("res_half.ps",
         fragmentShader("uniform vec2 resolution;\nvoid main() { gl_FragColor = vec4(resolution / 16.0, 0.0, 1.0); }\n"));
    save("res_show.ps", fragmentShader("uniform vec2 resolution;\nuniform sampler2D half_res;\n"
                                       "void main() { vec4 c = texture2D(half_res, gl_FragCoord.xy / resolution);\n"
                                       "  gl_FragColor = vec4(c.rg, resolution.x / 16.0, 1.0); }\n"));
    Demo& demo = load("0 10 half_res/2 = #res_half\n0 10 #res_show\n");
    frame(demo, 1.0f);
    // The buffer is 2 x 2; the screen pass after it draws at 4 x 4 again.
    EXPECT_TRUE(near(gl->pixel(1, 2), {32, 32, 64, 255}));
    ASSERT_EQ(demo.buffers.buffers().size(), 1u);
    EXPECT_EQ(demo.buffers.buffers()[0]->width(), 2);

    windowWidth = 2;  // a smaller window: the buffer is made anew, 1 x 2
    frame(demo, 1.0f);
    EXPECT_TRUE(near(gl->pixel(0, 0), {16, 32, 32, 255}));
    EXPECT_EQ(demo.buffers.buffers()[0]->width(), 1);
}

TEST_F(BufferRender, FeedbackCountsFramesUntilAFrameWithoutItsRangeClearsIt) {
    save("count.ps", countShader("tally"));
    save("count_show.ps", showShader("tally"));
    Demo& demo = load("0 10 tally = #count\n0 30 #count_show\n");
    for (int k = 1; k <= 12; ++k) {
        frame(demo, 0.1f * static_cast<float>(k));
        ASSERT_TRUE(near(gl->pixel(2, 1), Rgba{std::uint8_t(k), std::uint8_t(k), std::uint8_t(k), std::uint8_t(k)}, 0))
            << "after frame " << k;
    }
    // A frame in which nothing draws it: it is empty, and counting starts over.
    frame(demo, 20.0f);
    EXPECT_TRUE(near(gl->pixel(2, 1), {0, 0, 0, 0}, 0));
    frame(demo, 1.0f);
    EXPECT_TRUE(near(gl->pixel(2, 1), {1, 1, 1, 1}, 0));

    // A reloaded timeline with the buffer at the same size counts on; at
    // another size it starts over.
    Demo& reloaded = load("0 10 tally = #count\n0 30 #count_show\n");
    demos.erase(demos.begin());
    frame(reloaded, 1.0f);
    EXPECT_TRUE(near(gl->pixel(2, 1), {2, 2, 2, 2}, 0));
    Demo& resized = load("0 10 tally/2 = #count\n0 30 #count_show\n");
    frame(resized, 1.0f);
    EXPECT_TRUE(near(gl->pixel(2, 1), {1, 1, 1, 1}, 0));
}

TEST_F(BufferRender, AHalfFloatFadeGoesBelowWhatEightBitsHold) {
    if (bufferFormat() != BufferFormat::halfFloat) GTEST_SKIP() << "this GL draws buffers in 8 bits";
    // 0.9 a frame: in 8 bits it would stall near 5/255, where a tenth
    // rounds back up. Shown times 255, so that anything at or above 1/255 is white.
    save("fade.ps", fragmentShader("uniform vec2 resolution;\nuniform float gtime;\nuniform sampler2D faded;\n"
                                   "void main() { vec4 last = texture2D(faded, gl_FragCoord.xy / resolution);\n"
                                   "  gl_FragColor = gtime < 0.5 ? vec4(1.0) : last * 0.9; }\n"));
    save("fade_show.ps", fragmentShader("uniform vec2 resolution;\nuniform sampler2D faded;\n"
                                        "void main() { gl_FragColor = texture2D(faded, gl_FragCoord.xy / resolution) "
                                        "* 255.0; }\n"));
    Demo& demo = load("0 100 faded = #fade\n0 100 #fade_show\n");
    for (int k = 0; k <= 80; ++k) frame(demo, static_cast<float>(k));
    // 0.9^80 is 0.00022, 0.056 / 255.
    EXPECT_LT(gl->pixel(1, 1)[0], 128);
    EXPECT_GT(gl->pixel(1, 1)[0], 0);
}

TEST_F(BufferRender, AReaderBeforeTheBuffersRangeSeesThePreviousFrame) {
    save("order_count.ps", countShader("ordered"));
    save("order_show.ps", showShader("ordered"));
    Demo& demo = load("0 10 #order_show\n0 10 ordered = #order_count\n");
    for (int k = 1; k <= 3; ++k) {
        frame(demo, static_cast<float>(k));
        const auto shown = static_cast<std::uint8_t>(k - 1);
        EXPECT_TRUE(near(gl->pixel(0, 3), {shown, shown, shown, shown}, 0)) << "frame " << k;
    }
}

}  // namespace
}  // namespace quadrelume
