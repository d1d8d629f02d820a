#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "render/effect_range.h"
#include "render/texture_cache.h"
#include "render_test_support.h"
#include "script/variable_table.h"

namespace quadrelume {
namespace {

using testing::fragmentShader;
using testing::near;
using testing::RenderTest;
using testing::Rgba;
using testing::rgbaPng;
using testing::stdoutOf;
using testing::textureShader;

Value stringValue(const char* text) {
    Value v = zeroValue();
    v.kind = ValueKind::String;
    v.text = const_cast<char*>(text);
    return v;
}

// [1, [2, 3], 4]
Value nestedList() {
    static Value inner[] = {numberValue(2), numberValue(3)};
    static Value outer[] = {numberValue(1), listValue(inner, 2), numberValue(4)};
    return listValue(outer, 3);
}

// [[1], []]
Value shortList() {
    static Value one[] = {numberValue(1)};
    static Value items[] = {listValue(one, 1), listValue(nullptr, 0)};
    return listValue(items, 2);
}

// [4, "x", 3]
Value listWithText() {
    static Value items[] = {numberValue(4), stringValue("x"), numberValue(3)};
    return listValue(items, 3);
}

TEST(FlattenValue, CollectsNumbersDepthFirstUpToN) {
    float out[4] = {-1, -1, -1, -1};
    EXPECT_EQ(flattenValue(nestedList(), out, 4), 4);
    EXPECT_EQ(std::vector<float>(out, out + 4), (std::vector<float>{1, 2, 3, 4}));
    float two[2] = {-1, -1};
    EXPECT_EQ(flattenValue(nestedList(), two, 2), 2);
    EXPECT_EQ(std::vector<float>(two, two + 2), (std::vector<float>{1, 2}));
    EXPECT_EQ(flattenValue(stringValue("abc"), out, 4), 0);
    EXPECT_EQ(flattenValue(numberValue(7), out, 1), 1);
    EXPECT_EQ(out[0], 7.0f);
    EXPECT_EQ(flattenValue(listWithText(), out, 4), 2);
    EXPECT_EQ(out[1], 3.0f);
}

// One uniform fed from a variable: the uniform's type, the value, and the
// vector expected in the uniform (unused components 0).
struct FeedCase {
    const char* type;
    Value value;
    std::vector<float> expected;
};

// Shows uniform u of `type` as a colour: each component's magnitude divided
// by 4 (so that a stray negative value shows too), missing components 0 and
// alpha 1 unless u fills it.
std::string feedShader(const std::string& type) {
    const std::string shown = type == "float" ? "vec4(v / 4.0, 0.0, 0.0, 1.0)"
                              : type == "vec2" ? "vec4(v / 4.0, 0.0, 1.0)"
                              : type == "vec3" ? "vec4(v / 4.0, 1.0)"
                              : type == "vec4" ? "v / 4.0"
                                               : "vec4(v[0] / 4.0, 0.0, 1.0)";  // mat2
    const std::string magnitude = type == "mat2" ? "mat2 v = mat2(abs(u[0]), abs(u[1]));" : type + " v = abs(u);";
    return fragmentShader("uniform " + type + " u;\nvoid main() { " + magnitude + " gl_FragColor = " + shown +
                          "; }\n");
}

Rgba colourOf(const std::vector<float>& components) {
    Rgba colour{0, 0, 0, 255};
    for (std::size_t i = 0; i < components.size(); ++i)
        colour[i] = static_cast<std::uint8_t>(components[i] / 4.0f * 255.0f + 0.5f);
    return colour;
}

class EffectRender : public RenderTest {
protected:
    void clear(float r = 0, float g = 0, float b = 0, float a = 0) {
        glClearColor(r, g, b, a);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // Every pixel of the surface is near `expected`.
    ::testing::AssertionResult everywhere(const Rgba& expected) {
        for (int y = 0; y < surfaceHeight; ++y)
            for (int x = 0; x < surfaceWidth; ++x)
                if (auto result = near(gl->pixel(x, y), expected); !result) return result << " at " << x << ", " << y;
        return ::testing::AssertionSuccess();
    }
};

TEST_F(EffectRender, UniformsTakeScriptVariablesByTheirType) {
    const FeedCase cases[] = {
        {"float", numberValue(2), {2}},
        {"float", nestedList(), {0}},
        {"float", stringValue("2"), {0}},
        {"vec2", numberValue(2), {2, 0}},
        {"vec2", nestedList(), {1, 2}},
        {"vec2", stringValue("1"), {0, 0}},
        {"vec3", numberValue(2), {2, 0, 0}},
        {"vec3", nestedList(), {1, 2, 3}},
        {"vec3", shortList(), {1, 0, 0}},
        {"vec4", nestedList(), {1, 2, 3, 4}},
        {"vec4", listWithText(), {4, 3, 0, 0}},
        {"mat2", nestedList(), {0, 0}},  // matrices are never set
    };
    int index = 0;
    for (const FeedCase& c : cases) {
        const std::string name = "feed_" + std::to_string(index++);
        SCOPED_TRACE(name + " " + c.type);
        EffectRange& range = effect(name, feedShader(c.type));
        ASSERT_NE(range.shader, nullptr);
        // First a value that sets every vector component, so that a uniform
        // left unset would show it.
        variables.assign("u", numberValue(3));
        range.render(0.0f);
        variables.assign("u", c.value);
        clear();
        range.render(0.0f);
        EXPECT_TRUE(everywhere(colourOf(c.expected)));
    }
}

TEST_F(EffectRender, AMissingVariableLeavesTheUniformAsItWas) {
    EffectRange& setting = effect("keep", feedShader("vec2"));
    VariableTable empty;
    EffectRange leaving("keep", &empty);
    variables.assign("u", nestedList());
    setting.render(0.0f);
    clear();
    leaving.render(0.0f);
    EXPECT_TRUE(everywhere(colourOf({1, 2})));
}

TEST_F(EffectRender, BuiltInUniformsGiveResolutionProgressAndDemoTime) {
    EffectRange* range = &effect(
        "builtins", fragmentShader("uniform float time;\nuniform float gtime;\nuniform vec2 resolution;\n"
                                   "void main() { gl_FragColor = vec4(time, gtime / 20.0, resolution / 32.0); }\n"));
    // Script variables of built-in names do not take over.
    variables.assign("time", numberValue(0.9f));
    variables.assign("resolution", numberValue(0.9f));
    range->start = 10.0f;
    range->end = 20.0f;
    windowWidth = 16;
    windowHeight = 8;
    range->render(15.0f);
    EXPECT_TRUE(everywhere({128, 191, 128, 64}));
    range->render(10.0f);
    EXPECT_TRUE(everywhere({0, 128, 128, 64}));
    // A resized window shows from the next frame on.
    windowWidth = 32;
    range->render(10.0f);
    EXPECT_TRUE(everywhere({0, 128, 255, 64}));
    // An empty range has progress 0.
    range->end = 10.0f;
    range->render(10.0f);
    EXPECT_TRUE(everywhere({0, 128, 255, 64}));
}

TEST_F(EffectRender, TheQuadCoversTheViewportWithBlendingAndDepthTestOff) {
    EffectRange* range = &effect("cover", fragmentShader("void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 0.5); }\n"));
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    clear(1, 0, 0, 1);
    range->render(0.0f);
    EXPECT_TRUE(everywhere({0, 255, 0, 128}));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(static_cast<GLuint>(program), range->shader->object->program);
    EXPECT_EQ(range->positionLocation, glGetAttribLocation(range->shader->object->program, "a_pos"));
    GLint enabled = 1;
    glGetVertexAttribiv(static_cast<GLuint>(range->positionLocation), GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, 0);
}

TEST_F(EffectRender, BlendingFollowsEachEffectsDirective) {
    EffectRange* on = &effect(
        "blend_on", "//QUADRELUME_BLEND\n" + fragmentShader("void main() { gl_FragColor = vec4(1.0, 0.0, 0.0, 0.5); }\n"));
    EffectRange* off =
        &effect("blend_off", fragmentShader("void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 0.5); }\n"));
    clear(0, 0, 1, 1);
    on->render(0.0f);
    // source x destination alpha + destination x (1 - source alpha)
    EXPECT_TRUE(everywhere({255, 0, 128, 255}));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint source = 0;
    GLint destination = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &source);
    glGetIntegerv(GL_BLEND_DST_RGB, &destination);
    EXPECT_EQ(source, GL_DST_ALPHA);
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
    off->render(0.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(everywhere({0, 255, 0, 128}));
}

TEST_F(EffectRender, AnEffectWithoutShaderFileDrawsNothingAndTouchesNoState) {
    EffectRange* present = &effect("present", fragmentShader("void main() { gl_FragColor = vec4(1.0); }\n"));
    EffectRange* absent = &effect("absent");
    EXPECT_EQ(absent->shader, nullptr);
    glUseProgram(0);
    glEnable(GL_BLEND);
    clear(0, 0, 1, 1);
    absent->render(0.0f);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(everywhere({0, 0, 255, 255}));
    present->render(0.0f);
    absent->render(0.0f);
    EXPECT_TRUE(everywhere({255, 255, 255, 255}));
}

// The texture tests draw a 2 x 2 image texel for pixel on a 2 x 2 viewport.
class EffectTexture : public EffectRender {
protected:
    void SetUp() override {
        EffectRender::SetUp();
        glViewport(0, 0, 2, 2);
        windowWidth = 2;
        windowHeight = 2;
    }

    // The four pixels of the viewport, bottom row first.
    std::vector<Rgba> viewport() { return {gl->pixel(0, 0), gl->pixel(1, 0), gl->pixel(0, 1), gl->pixel(1, 1)}; }
};

const std::vector<std::uint8_t> redTopLeft = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 0, 255};
const std::vector<Rgba> redTopLeftShown = {{0, 0, 255, 255}, {255, 255, 0, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}};
const std::vector<std::uint8_t> allGrey = std::vector<std::uint8_t>(16, 100);

TEST_F(EffectTexture, TheImagesTopLeftPixelIsDrawnAtTheTopLeft) {
    save("orient_img.png", rgbaPng(2, 2, redTopLeft));
    EffectRange& range = effect("orient", textureShader("orient_img"));
    stdoutOf([&] { range.render(0.0f); });
    EXPECT_EQ(viewport(), redTopLeftShown);
}

TEST_F(EffectTexture, TexturesLoadLazilyAndStayLoaded) {
    EffectRange* range = &effect("lazy", textureShader("lazy_img"));
    EXPECT_EQ(textureCache().count("lazy_img.png"), 0u);

    // No file: the sampler is skipped, quietly, and nothing is cached.
    EXPECT_EQ(stdoutOf([&] { range->render(0.0f); }), "");
    EXPECT_EQ(textureCache().count("lazy_img.png"), 0u);

    // Created while running: drawn in the next frame, without polling.
    save("lazy_img.png", rgbaPng(2, 2, redTopLeft));
    EXPECT_EQ(stdoutOf([&] { range->render(0.0f); }), "2 x 2 ...\nbit per chan:8\ncoltype:6\n");
    EXPECT_EQ(viewport(), redTopLeftShown);
    EXPECT_EQ(pollables.size(), 2u);  // the program and the texture

    // Deleted afterwards: the cached texture stays.
    std::remove("lazy_img.png");
    glBindTexture(GL_TEXTURE_2D, 0);
    clear();
    EXPECT_EQ(stdoutOf([&] {
                  pollAll();
                  range->render(0.0f);
              }),
              "");
    EXPECT_EQ(viewport(), redTopLeftShown);
}

TEST_F(EffectTexture, AnUnusableImageIsSkippedUntilASaveMakesATexture) {
    save("unusable_img.png", testing::encodePng(testing::PngImage{2, 2, 8, 3, false, {0, 1, 2, 3}}));
    EffectRange* range = &effect("unusable", textureShader("unusable_img"));
    stdoutOf([&] { range->render(0.0f); });
    ASSERT_EQ(textureCache().count("unusable_img.png"), 1u);
    EXPECT_EQ(textureCache().at("unusable_img.png")->object, nullptr);
    // Unit 0 keeps whatever was bound; the skipped sampler does not change it.
    EXPECT_EQ(stdoutOf([&] { range->render(0.0f); }), "");

    save("unusable_img.png", rgbaPng(2, 2, redTopLeft));
    stdoutOf([&] { pollAll(); });
    clear();
    range->render(0.0f);
    EXPECT_EQ(viewport(), redTopLeftShown);
}

TEST_F(EffectTexture, EachSamplerReadsItsOwnImage) {
    save("first_img.png", rgbaPng(2, 2, redTopLeft));
    save("second_img.png", rgbaPng(2, 2, allGrey));
    // Left half from the first image, right half from the second; a third
    // sampler with no file keeps its unit and moves nothing.
    EffectRange& range = effect(
        "two_samplers",
        fragmentShader("uniform vec2 resolution;\nuniform sampler2D first_img;\nuniform sampler2D missing_img;\n"
                       "uniform sampler2D second_img;\n"
                       "void main() { vec2 uv = gl_FragCoord.xy / resolution;\n"
                       "  gl_FragColor = uv.x < 0.5 ? texture2D(first_img, uv) : texture2D(second_img, uv); }\n"));
    stdoutOf([&] { range.render(0.0f); });
    const Rgba grey{100, 100, 100, 100};
    EXPECT_EQ(viewport(), (std::vector<Rgba>{redTopLeftShown[0], grey, redTopLeftShown[2], grey}));
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
}

TEST_F(EffectTexture, ASavedImageIsDrawnFromTheNextFrameAfterPolling) {
    save("resaved_img.png", rgbaPng(2, 2, allGrey));
    EffectRange* range = &effect("resaved", textureShader("resaved_img"));
    stdoutOf([&] { range->render(0.0f); });
    EXPECT_EQ(viewport(), std::vector<Rgba>(4, Rgba{100, 100, 100, 100}));
    save("resaved_img.png", rgbaPng(2, 2, redTopLeft));
    EXPECT_EQ(stdoutOf([&] { range->render(0.0f); }), "");  // no poll yet: still the old image
    EXPECT_EQ(viewport(), std::vector<Rgba>(4, Rgba{100, 100, 100, 100}));
    stdoutOf([&] {
        pollAll();
        range->render(0.0f);
    });
    EXPECT_EQ(viewport(), redTopLeftShown);
}

}  // namespace
}  // namespace quadrelume
