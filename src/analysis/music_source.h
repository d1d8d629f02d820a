// The music that the pictures follow, as the renderer and the script
// built-ins find it: one per process, found through a finder that the
// program installs (the player and the capture program analyse demo.ogg; a
// page that cannot run the transform reads a table written for it).
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "analysis/music_table.h"

namespace quadrelume::analysis {

// A table of analysed music that may still be filling in.
class MusicSource {
public:
    MusicSource();
    virtual ~MusicSource() = default;
    MusicSource(const MusicSource&) = delete;
    MusicSource& operator=(const MusicSource&) = delete;

    // The table. Only what prepare made ready may be read, and only on the
    // thread that called it.
    virtual const MusicTable& table() const = 0;

    // Makes ready the rows and samples that the values at demo time `t`
    // read (see music_at.h), waiting for their analysis when it has not
    // reached them yet.
    virtual void prepare(double t) = 0;

    // The same for the rows alone, which the bands and the level read (the
    // waveform's samples may stay unready): by default, all of prepare.
    virtual void prepareRows(double t) { prepare(t); }

    // A number no other source of this process has, for telling a new
    // analysis (a rewritten music file) from the one before.
    std::uint64_t serial() const { return serial_; }

private:
    std::uint64_t serial_;
};

// A table that is complete from the start.
class ReadyMusic final : public MusicSource {
public:
    explicit ReadyMusic(MusicTable table) : table_(std::move(table)) {}
    const MusicTable& table() const override { return table_; }
    void prepare(double) override {}

private:
    MusicTable table_;
};

// Answers the current music, or null where there is none; `context` is the
// pointer installed with it.
using MusicFinder = MusicSource* (*)(void* context);

// Installs `finder` (null: no music) with its `context` (not owned), which
// must stay valid while installed. Main thread only.
void setMusicFinder(MusicFinder finder, void* context);

// What the installed finder answers: null without a finder or music.
MusicSource* currentMusic();

// The values of the current music at demo time `t`, silence without music:
// rows of the spectrum texture (the spectrum, then the waveform), the four
// bands and the level.
void currentSpectrumTexture(double t, std::uint8_t out[spectrumWidth + waveformWidth]);
std::array<float, bandCount> currentBands(double t);
float currentLevel(double t);

}  // namespace quadrelume::analysis
