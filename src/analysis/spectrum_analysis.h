// The transform side of the analysis: the rows of the table from the
// music's mono mix, with KISS FFT. Nothing else in the program runs a
// transform.
//
// A row at time τ takes the 2048 samples centred on sample c (τ × rate,
// rounded) through a Blackman window and a real transform, and scales each
// bin's magnitude by 1/2048. Each bin's magnitude is smoothed from row to
// row, m = 0.8 × m_before + 0.2 × m_now: on the 60-a-second grid, so the
// smoothing is the same whatever the frame rate. Then, from the smoothed
// magnitudes:
// - spectrum texel x is the magnitude at x × 11025 / 512 Hz in dB, mapped
//   from [−100, −30] dB onto 0…255 (255 / 70 × (dB + 100), rounded down
//   and clamped). At 44.1 kHz texel x is bin x; at other rates the dB value
//   between bins follows a parabola through the three nearest bins, kept
//   within the two around it;
// - each band is the power of the bins whose frequency lies in it (the sum
//   of their squared magnitudes) in dB, mapped from [bandFloorDb,
//   bandCeilingDb] onto 0…255 (rounded and clamped); the level is that of
//   all bins from the lowest band's start to the highest band's end.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace quadrelume::analysis {

inline constexpr int transformSize = 2048;
inline constexpr float smoothingConstant = 0.8f;
inline constexpr double spectrumFloorDb = -100.0;
inline constexpr double spectrumCeilingDb = -30.0;
// The band edges in Hz: low from bandEdgesHz[0] to [1], low-mid [1] to [2],
// high-mid [2] to [3], high [3] to [4].
inline constexpr std::array<double, 5> bandEdgesHz = {20.0, 250.0, 2000.0, 6000.0, 20000.0};
inline constexpr double bandFloorDb = -70.0;
inline constexpr double bandCeilingDb = -10.0;

// Sample `c` of the row centred on `row` (at least 0) at `rate` Hz:
// row × rate / 60, rounded half up.
std::int64_t rowCentre(std::int64_t row, int rate);

// Samples of the mono mix, (left + right) / 65536, from sample `first` on;
// silence outside them.
struct MonoSpan {
    const float* samples = nullptr;
    std::int64_t first = 0;
    std::int64_t count = 0;
};

class SpectrumAnalyser {
public:
    // For music at `rate` Hz (at least 1).
    explicit SpectrumAnalyser(int rate);
    ~SpectrumAnalyser();
    SpectrumAnalyser(const SpectrumAnalyser&) = delete;
    SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

    // Sets the smoothing at rest: the next row is smoothed from silence.
    void restart();

    // Takes in the row centred on sample `centre` of `mono` and, unless
    // `out` is null, writes its rowBytes bytes there (music_table.h).
    void addRow(const MonoSpan& mono, std::int64_t centre, std::uint8_t* out);

private:
    struct Transform;

    void writeSpectrum(std::uint8_t* out);
    void writeBands(std::uint8_t* out) const;

    int rate_;
    std::unique_ptr<Transform> transform_;
    std::vector<float> window_;
    std::vector<float> frame_;
    std::vector<float> smoothed_;  // per bin, 0 to transformSize / 2
    std::vector<float> decibels_;  // of smoothed_, for the bins the texels read
    // Bins of each band, [first, end), and of the level, the last entry.
    std::array<std::array<int, 2>, 5> bandBins_{};
};

}  // namespace quadrelume::analysis
