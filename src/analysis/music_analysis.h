// The analysis of a music file in pieces, ahead of the clock: the table of
// music_table.h filled in blocks of rows on a thread of its own, the block
// a frame needs first, then the blocks after it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/music_source.h"
#include "reload/file_data.h"

namespace quadrelume {
class OggMusicDecoder;
}

namespace quadrelume::analysis {

class SpectrumAnalyser;

// Every block is analysed alone, from the music around it only, so its rows
// are the same whichever block came before: the value at any time is one
// function of the music and the time, however the demo got there. A block
// starts its rows' smoothing warmUpRows rows (about a second) before its
// first row (or at row 0), where whatever sounded earlier weighs less than
// a millionth; it decodes its samples with the player's decoder from a seek
// to the first one it needs.
class MusicAnalysis final : public MusicSource {
public:
    static constexpr int blockRows = 256;
    static constexpr int warmUpRows = 64;
    // Rows after the music's last sample: its smoothed spectrum dies away.
    static constexpr int tailRows = rowsPerSecond;
    // Music past its first hour is silence to the pictures (music_table.h).
    static constexpr int longestSeconds = longestMusicSeconds;

    // Silence: no rows, no samples, no thread.
    MusicAnalysis();
    // Copies `file` (which may change afterwards), checks that it can be
    // played as the music clock would (fatal with the clock's messages when
    // not) and starts analysing it from its start.
    explicit MusicAnalysis(const FileData& file);
    // Stops the analysis between blocks and waits for its thread.
    ~MusicAnalysis() override;

    const MusicTable& table() const override { return table_; }
    void prepare(double t) override;

    // Waits for every block and answers the whole table (for writing it out).
    const MusicTable& complete();

    std::int64_t blockCount() const { return blocks_; }
    // Bytes held for the table and the samples.
    std::size_t memoryBytes() const;

private:
    // Waits until `block` is analysed, asking for it first.
    void ensure(std::int64_t block);
    // The block whose waveform samples include sample `index` (within the music).
    std::int64_t blockOfSample(std::int64_t index) const;
    // The first waveform sample block `block` stores.
    std::int64_t firstOwnedSample(std::int64_t block) const;
    // The thread's loop, and its parts.
    void work();
    std::int64_t nextBlock();  // under mutex_; -1 for none
    void analyseBlock(std::int64_t block, SpectrumAnalyser& analyser);
    void decode(std::int64_t from, std::int64_t to, std::int64_t ownedFrom, std::int64_t ownedTo);

    FileData music_;
    std::unique_ptr<OggMusicDecoder> decoder_;  // the thread's alone once it runs
    MusicTable table_;
    std::int64_t totalFrames_ = 0;
    std::int64_t blocks_ = 0;
    std::unique_ptr<std::atomic<bool>[]> ready_;
    std::vector<float> mono_;  // the thread's: the samples of the block at work

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::int64_t> wanted_;  // blocks a frame waits for, latest last
    std::int64_t cursor_ = 0;           // where the thread goes on when none is wanted
    bool stopping_ = false;
    std::thread worker_;
};

// The load function of Reloadable<MusicAnalysis>: the analysis of `file`,
// silence for a stand-in (no file yet).
MusicAnalysis* loadMusicAnalysis(ReloadableFileData* file);

}  // namespace quadrelume::analysis
