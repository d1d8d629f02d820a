// The built-in texture of `uniform sampler2D spectrum;`: the music at the
// frame's demo time, 512 x 2 texels of 8 bits (LUMINANCE), linear filtering,
// clamped to the edges. Row 0 (v near 0.25) is the spectrum, row 1 (v near
// 0.75) the waveform; see analysis/music_at.h.
#pragma once

#include <string_view>

namespace quadrelume {

// The sampler name that reads this texture where no file of its own exists.
inline constexpr std::string_view spectrumSamplerName = "spectrum";

// Binds the texture to GL_TEXTURE_2D on the active unit, made on first use.
// Its texels are uploaded only when the demo time `t` or the current music
// differs from those of the last upload, so effects that share it in a
// frame upload once.
void bindSpectrumTexture(float t);

// Forgets the texture: the GL context that held it is gone (tests that make
// a context per case). The next bind makes a new one.
void forgetSpectrumTexture();

}  // namespace quadrelume
