#include "render/spectrum_texture.h"

#include <GLES2/gl2.h>

#include <cstdint>

#include "analysis/music_source.h"

namespace quadrelume {
namespace {

using analysis::spectrumWidth;

struct SpectrumTexture {
    GLuint name = 0;
    // What the texels show: the music's serial (0 for none) and the time.
    bool uploaded = false;
    std::uint64_t music = 0;
    float time = 0.0f;
    std::uint8_t texels[2 * spectrumWidth] = {};
};

SpectrumTexture& texture() {
    static SpectrumTexture* shared = new SpectrumTexture();
    return *shared;
}

}  // namespace

void bindSpectrumTexture(float t) {
    static_assert(analysis::waveformWidth == spectrumWidth, "the two rows are one texture's");
    SpectrumTexture& shared = texture();
    const bool fresh = shared.name == 0;
    if (fresh) {
        glGenTextures(1, &shared.name);
        glBindTexture(GL_TEXTURE_2D, shared.name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    } else {
        glBindTexture(GL_TEXTURE_2D, shared.name);
    }
    const analysis::MusicSource* music = analysis::currentMusic();
    const std::uint64_t serial = music != nullptr ? music->serial() : 0;
    if (!fresh && shared.uploaded && shared.music == serial && shared.time == t) return;
    analysis::currentSpectrumTexture(t, shared.texels);
    // Rows of 512 bytes suit any unpack alignment.
    if (fresh)
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, spectrumWidth, 2, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, shared.texels);
    else
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, spectrumWidth, 2, GL_LUMINANCE, GL_UNSIGNED_BYTE, shared.texels);
    shared.uploaded = true;
    shared.music = serial;
    shared.time = t;
}

void forgetSpectrumTexture() { texture() = SpectrumTexture(); }

}  // namespace quadrelume
