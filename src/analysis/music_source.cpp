#include "analysis/music_source.h"

#include <atomic>

#include "analysis/music_at.h"

namespace quadrelume::analysis {
namespace {

std::atomic<std::uint64_t> lastSerial{0};

MusicFinder installedFinder = nullptr;
void* installedContext = nullptr;

// The current music with the values at `t` made ready (`rowsOnly`: those
// of the rows), or null.
MusicSource* preparedMusic(double t, bool rowsOnly = false) {
    MusicSource* music = currentMusic();
    if (music == nullptr) return nullptr;
    if (rowsOnly) music->prepareRows(t);
    else music->prepare(t);
    return music;
}

const MusicTable& silence() {
    static const MusicTable none;
    return none;
}

}  // namespace

MusicSource::MusicSource() : serial_(++lastSerial) {}

void setMusicFinder(MusicFinder finder, void* context) {
    installedFinder = finder;
    installedContext = context;
}

MusicSource* currentMusic() { return installedFinder != nullptr ? installedFinder(installedContext) : nullptr; }

void currentSpectrumTexture(double t, std::uint8_t out[spectrumWidth + waveformWidth]) {
    MusicSource* music = preparedMusic(t);
    const MusicTable& table = music != nullptr ? music->table() : silence();
    spectrumAt(table, t, out);
    waveformAt(table, t, out + spectrumWidth);
}

std::array<float, bandCount> currentBands(double t) {
    MusicSource* music = preparedMusic(t, true);
    return music != nullptr ? bandsAt(music->table(), t) : std::array<float, bandCount>{};
}

float currentLevel(double t) {
    MusicSource* music = preparedMusic(t, true);
    return music != nullptr ? levelAt(music->table(), t) : 0.0f;
}

}  // namespace quadrelume::analysis
