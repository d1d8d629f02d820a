// The music's values at a demo time, read from its table: what the shaders'
// spectrum texture and the script's bands() and level() give. Each is one
// pure function of the table and the time, so the player, the editing
// session after any seek and the capture at any frame rate agree.
#pragma once

#include <array>
#include <cstdint>

#include "analysis/music_table.h"

namespace quadrelume::analysis {

// Where demo time t falls on the grid: between row `row` and row + 1, with
// `weight` 256ths of the way to the next one (0 to 255).
struct GridPoint {
    std::int64_t row = 0;
    int weight = 0;
};

// The grid point of t; none (nothing sounds) before 0, from 10^9 s on and
// for NaN.
bool gridPointOf(double t, GridPoint* point);

// The first sample of the waveform row at t, at `rate` Hz: the row holds
// samples first to first + 511, centred on t (t × rate rounded to the nearest
// sample). Meaningless where gridPointOf has no point.
std::int64_t waveformStart(double t, int rate);

// The spectrum row at t: each texel mixed between the rows around t by the
// grid point's weight, (a × (256 − w) + b × w + 128) / 256 rounded down; all
// 0 where nothing sounds.
void spectrumAt(const MusicTable& table, double t, std::uint8_t out[spectrumWidth]);

// The waveform row at t: the 512 bytes of the mono mix centred on t; all 128
// before 0 and outside the music.
void waveformAt(const MusicTable& table, double t, std::uint8_t out[waveformWidth]);

// The bands at t, 0 to 1: the stored bytes over 255, mixed between the rows
// around t by the grid point's weight; all 0 where nothing sounds.
std::array<float, bandCount> bandsAt(const MusicTable& table, double t);

// The level at t, 0 to 1, mixed as the bands are.
float levelAt(const MusicTable& table, double t);

}  // namespace quadrelume::analysis
