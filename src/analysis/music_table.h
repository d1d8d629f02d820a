// The music in the pictures as plain data: the spectrum, the four bands and
// the level of the music on a grid of 60 rows a second, and its mono mix at
// 8 bits for the waveform. The analysis makes it natively; whatever reads
// it (the renderer, the script built-ins, a web page) needs no transform.
#pragma once

#include <cstdint>
#include <vector>

namespace quadrelume::analysis {

// Rows of the grid per second of demo time: row r holds the music at r / 60 s.
inline constexpr int rowsPerSecond = 60;
// Texels of a spectrum row; texel x is the music at x × 11025 / 512 Hz.
inline constexpr int spectrumWidth = 512;
inline constexpr double spectrumTopHz = 11025.0;
// Samples of a waveform row, centred on its time.
inline constexpr int waveformWidth = 512;
// low, low-mid, high-mid, high.
inline constexpr int bandCount = 4;
// One row: the spectrum's bytes, then the bands', then the level's.
inline constexpr int rowBytes = spectrumWidth + bandCount + 1;
inline constexpr int bandsOffset = spectrumWidth;
inline constexpr int levelOffset = spectrumWidth + bandCount;
// The waveform byte of silence (a sample s in [-1, 1) is 128 × (1 + s)).
inline constexpr std::uint8_t silentSample = 128;
// Music past its first hour is silence to the pictures: the table and the
// mono mix of an hour at 44.1 kHz hold some 270 MB, and a damaged file may
// claim any length.
inline constexpr int longestMusicSeconds = 3600;

// The analysed music. Rows and samples outside the stored ones are silence:
// a spectrum, bands and level of 0, waveform bytes of 128.
struct MusicTable {
    // Rows 0 to rowCount - 1, rowBytes each, in `rows`.
    std::int64_t rowCount = 0;
    std::vector<std::uint8_t> rows;
    // The mono mix at the music's own rate (Hz, 0 without samples): one
    // byte per sample frame from the music's first.
    int rate = 0;
    std::vector<std::uint8_t> waveform;

    // The bytes of row `index`, or null outside the stored rows.
    const std::uint8_t* row(std::int64_t index) const {
        return index >= 0 && index < rowCount ? rows.data() + index * rowBytes : nullptr;
    }
    std::uint8_t* row(std::int64_t index) {
        return index >= 0 && index < rowCount ? rows.data() + index * rowBytes : nullptr;
    }
    // Sample `index` of the mono mix, 128 outside the stored ones.
    std::uint8_t sample(std::int64_t index) const {
        return index >= 0 && index < static_cast<std::int64_t>(waveform.size())
                   ? waveform[static_cast<std::size_t>(index)]
                   : silentSample;
    }
};

// The waveform byte of a sample frame of 16-bit stereo: the mono mix
// s = (left + right) / 65536, as 128 × (1 + s) rounded down.
inline std::uint8_t waveformByte(std::int16_t left, std::int16_t right) {
    return static_cast<std::uint8_t>(((static_cast<int>(left) + static_cast<int>(right)) >> 9) + 128);
}

}  // namespace quadrelume::analysis
