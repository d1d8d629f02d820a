#include "analysis/spectrum_analysis.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>

#include "analysis/music_table.h"

namespace quadrelume::analysis {
namespace {

constexpr int binCount = transformSize / 2 + 1;
// Below every byte's threshold, and far enough above 0 that a parabola
// through a silent bin stays tame.
constexpr float magnitudeFloor = 1e-7f;

// The first bin at or above `hz`.
int binAtOrAbove(double hz, int rate) {
    return std::clamp(static_cast<int>(std::ceil(hz * transformSize / rate)), 0, binCount);
}

std::uint8_t bandByte(double power) {
    const double decibels = 10.0 * std::log10(std::max(power, 1e-30));
    const double fraction = (decibels - bandFloorDb) / (bandCeilingDb - bandFloorDb);
    return static_cast<std::uint8_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * 255.0));
}

}  // namespace

// The transform's set-up, in memory of our own, and its output.
struct SpectrumAnalyser::Transform {
    std::vector<char> memory;
    kiss_fftr_cfg config = nullptr;
    std::vector<kiss_fft_cpx> bins = std::vector<kiss_fft_cpx>(binCount);

    Transform() {
        std::size_t length = 0;
        kiss_fftr_alloc(transformSize, 0, nullptr, &length);
        memory.resize(length);
        config = kiss_fftr_alloc(transformSize, 0, memory.data(), &length);
    }
};

std::int64_t rowCentre(std::int64_t row, int rate) { return (row * rate * 2 + rowsPerSecond) / (2 * rowsPerSecond); }

SpectrumAnalyser::SpectrumAnalyser(int rate)
    : rate_(rate),
      transform_(std::make_unique<Transform>()),
      window_(transformSize),
      frame_(transformSize),
      smoothed_(binCount),
      decibels_(binCount) {
    for (int n = 0; n < transformSize; ++n) {
        const double phase = 2.0 * M_PI * n / transformSize;
        window_[n] = static_cast<float>(0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase));
    }
    for (int band = 0; band < bandCount; ++band) {
        bandBins_[band] = {binAtOrAbove(bandEdgesHz[band], rate), binAtOrAbove(bandEdgesHz[band + 1], rate)};
    }
    bandBins_[bandCount] = {bandBins_[0][0], bandBins_[bandCount - 1][1]};
}

SpectrumAnalyser::~SpectrumAnalyser() = default;

void SpectrumAnalyser::restart() { std::fill(smoothed_.begin(), smoothed_.end(), 0.0f); }

void SpectrumAnalyser::addRow(const MonoSpan& mono, std::int64_t centre, std::uint8_t* out) {
    const std::int64_t first = centre - transformSize / 2;
    for (int n = 0; n < transformSize; ++n) {
        const std::int64_t at = first + n - mono.first;
        frame_[n] = at >= 0 && at < mono.count ? mono.samples[at] * window_[n] : 0.0f;
    }
    kiss_fftr(transform_->config, frame_.data(), transform_->bins.data());
    constexpr float scale = 1.0f / transformSize;
    for (int k = 0; k < binCount; ++k) {
        const kiss_fft_cpx& bin = transform_->bins[k];
        const float magnitude = std::sqrt(bin.r * bin.r + bin.i * bin.i) * scale;
        smoothed_[k] = smoothingConstant * smoothed_[k] + (1.0f - smoothingConstant) * magnitude;
    }
    if (out == nullptr) return;
    writeSpectrum(out);
    writeBands(out + bandsOffset);
}

void SpectrumAnalyser::writeSpectrum(std::uint8_t* out) {
    // Bin position of texel x: x × 11025 / 512 Hz × 2048 / rate.
    const double binsPerTexel = spectrumTopHz / spectrumWidth * transformSize / rate_;
    const int lastBin = binCount - 1;
    const int needed = std::min(lastBin, static_cast<int>(std::ceil(binsPerTexel * spectrumWidth)) + 2);
    for (int k = 0; k <= needed; ++k) decibels_[k] = 20.0f * std::log10(std::max(smoothed_[k], magnitudeFloor));
    // A real signal's spectrum mirrors around bin 0 and the top bin.
    auto decibelsAt = [&](int k) { return decibels_[k < 0 ? -k : k > lastBin ? 2 * lastBin - k : k]; };
    constexpr double perDb = 255.0 / (spectrumCeilingDb - spectrumFloorDb);
    for (int x = 0; x < spectrumWidth; ++x) {
        const double position = x * binsPerTexel;
        if (position > lastBin) {
            out[x] = 0;  // above the music's highest frequency
            continue;
        }
        const int k = static_cast<int>(std::lround(position));
        const double d = position - k;
        const double below = decibelsAt(k - 1);
        const double at = decibelsAt(k);
        const double above = decibelsAt(k + 1);
        double decibels = at + d * (above - below) / 2.0 + d * d * (above - 2.0 * at + below) / 2.0;
        if (d != 0.0) {
            const double neighbour = d > 0.0 ? above : below;
            decibels = std::clamp(decibels, std::min(at, neighbour), std::max(at, neighbour));
        }
        out[x] = static_cast<std::uint8_t>(std::clamp(std::floor(perDb * (decibels - spectrumFloorDb)), 0.0, 255.0));
    }
}

void SpectrumAnalyser::writeBands(std::uint8_t* out) const {
    for (int band = 0; band <= bandCount; ++band) {
        double power = 0.0;
        for (int k = bandBins_[band][0]; k < bandBins_[band][1]; ++k)
            power += static_cast<double>(smoothed_[k]) * smoothed_[k];
        out[band] = bandByte(power);  // the last is the level, just after the bands
    }
}

}  // namespace quadrelume::analysis
