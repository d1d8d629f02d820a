// uniform sampler2D spectrum: the music at the frame's time, texel for
// pixel, until the folder has a spectrum.png of its own.
#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include "analysis/music_at.h"
#include "analysis/music_source.h"
#include "render/spectrum_texture.h"
#include "render_test_support.h"

namespace quadrelume {
namespace {

using namespace analysis;
using testing::GlContext;

// Row r: texel x is (x + 40 r) modulo 256; the bands and the level 0. The
// mono mix at 600 Hz: sample i is i modulo 251.
MusicTable rampTable() {
    MusicTable table;
    table.rowCount = 4;
    table.rows.assign(4 * rowBytes, 0);
    for (int r = 0; r < 4; ++r)
        for (int x = 0; x < spectrumWidth; ++x) table.row(r)[x] = static_cast<std::uint8_t>((x + 40 * r) % 256);
    table.rate = 600;
    for (int i = 0; i < 3000; ++i) table.waveform.push_back(static_cast<std::uint8_t>(i % 251));
    return table;
}

class SpectrumTexture : public testing::InDirectory {
protected:
    void SetUp() override {
        InDirectory::SetUp();
        gl = std::make_unique<GlContext>(spectrumWidth, 2);
        windowWidth = spectrumWidth;
        windowHeight = 2;
    }
    void TearDown() override {
        setMusicFinder(nullptr, nullptr);
        range.reset();
        forgetSpectrumTexture();
        gl.reset();
        InDirectory::TearDown();
    }

    // The two rows drawn at `t`: the spectrum, then the waveform.
    std::vector<std::uint8_t> drawnAt(float t) {
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        range->render(t);
        std::vector<std::uint8_t> rows;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < spectrumWidth; ++x) {
                const testing::Rgba pixel = gl->pixel(x, y);
                EXPECT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2]) << "grey at " << x << ", " << y;
                rows.push_back(pixel[0]);
            }
        return rows;
    }

    std::unique_ptr<GlContext> gl;
    VariableTable variables;
    std::unique_ptr<EffectRange> range;
};

TEST_F(SpectrumTexture, ShowsTheMusicAtTheFrameTimeUntilTheFolderHasItsOwnImage) {
    save("spectrum_view.ps", testing::textureShader("spectrum"));
    ::testing::internal::CaptureStdout();
    range = std::make_unique<EffectRange>("spectrum_view", &variables);
    ::testing::internal::GetCapturedStdout();

    std::vector<std::uint8_t> silence(spectrumWidth, 0);
    silence.resize(2 * spectrumWidth, silentSample);
    EXPECT_EQ(drawnAt(1.0f), silence) << "without music";

    ReadyMusic music(rampTable());
    setMusicFinder([](void* found) { return static_cast<MusicSource*>(found); }, &music);
    for (float t : {1.0f, 1.0f / 60.0f, 1.3f / 60.0f, 2.75f / 60.0f, 1.0f}) {
        SCOPED_TRACE(t * 60.0f);
        std::vector<std::uint8_t> expected(2 * spectrumWidth);
        spectrumAt(music.table(), t, expected.data());
        waveformAt(music.table(), t, expected.data() + spectrumWidth);
        EXPECT_EQ(drawnAt(t), expected);
    }

    // A spectrum.png saved into the folder takes over from the next frame.
    save("spectrum.png", testing::rgbaPng(1, 1, {90, 90, 90, 255}));
    ::testing::internal::CaptureStdout();
    const std::vector<std::uint8_t> drawn = drawnAt(1.0f);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(drawn, std::vector<std::uint8_t>(2 * spectrumWidth, 90));
}

}  // namespace
}  // namespace quadrelume
