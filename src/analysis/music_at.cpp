#include "analysis/music_at.h"

#include <cmath>
#include <cstring>

namespace quadrelume::analysis {
namespace {

// Byte `offset` of the rows around `point`, mixed, over 255.
float mixedFraction(const MusicTable& table, const GridPoint& point, int offset) {
    const std::uint8_t* a = table.row(point.row);
    const std::uint8_t* b = table.row(point.row + 1);
    const int mixed = (a != nullptr ? a[offset] : 0) * (256 - point.weight) + (b != nullptr ? b[offset] : 0) * point.weight;
    return static_cast<float>(mixed) / (256.0f * 255.0f);
}

}  // namespace

bool gridPointOf(double t, GridPoint* point) {
    // Far past any music's end (some 30 years), a time counts as silence
    // rather than overflow a row or sample number.
    if (!(t >= 0.0) || !(t < 1e9)) return false;
    const double position = t * rowsPerSecond;
    const double row = std::floor(position);
    point->row = static_cast<std::int64_t>(row);
    point->weight = static_cast<int>((position - row) * 256.0 + 0.5);
    if (point->weight == 256) {
        ++point->row;
        point->weight = 0;
    }
    return true;
}

std::int64_t waveformStart(double t, int rate) {
    return static_cast<std::int64_t>(std::floor(t * rate + 0.5)) - waveformWidth / 2;
}

void spectrumAt(const MusicTable& table, double t, std::uint8_t out[spectrumWidth]) {
    GridPoint point;
    const std::uint8_t* a = nullptr;
    const std::uint8_t* b = nullptr;
    if (gridPointOf(t, &point)) {
        a = table.row(point.row);
        b = table.row(point.row + 1);
    }
    if (a == nullptr && b == nullptr) {
        std::memset(out, 0, spectrumWidth);
        return;
    }
    static constexpr std::uint8_t none[spectrumWidth] = {};
    if (a == nullptr) a = none;
    if (b == nullptr) b = none;
    const int w = point.weight;
    for (int x = 0; x < spectrumWidth; ++x) out[x] = static_cast<std::uint8_t>((a[x] * (256 - w) + b[x] * w + 128) >> 8);
}

void waveformAt(const MusicTable& table, double t, std::uint8_t out[waveformWidth]) {
    GridPoint point;
    if (table.rate <= 0 || !gridPointOf(t, &point)) {
        std::memset(out, silentSample, waveformWidth);
        return;
    }
    const std::int64_t first = waveformStart(t, table.rate);
    for (int i = 0; i < waveformWidth; ++i) out[i] = table.sample(first + i);
}

std::array<float, bandCount> bandsAt(const MusicTable& table, double t) {
    std::array<float, bandCount> bands{};
    GridPoint point;
    if (!gridPointOf(t, &point)) return bands;
    for (int band = 0; band < bandCount; ++band) bands[band] = mixedFraction(table, point, bandsOffset + band);
    return bands;
}

float levelAt(const MusicTable& table, double t) {
    GridPoint point;
    return gridPointOf(t, &point) ? mixedFraction(table, point, levelOffset) : 0.0f;
}

}  // namespace quadrelume::analysis
