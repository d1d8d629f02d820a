#include "analysis/music_analysis.h"

#include <algorithm>

#include "analysis/music_at.h"
#include "analysis/spectrum_analysis.h"
#include "clock/ogg_music_decoder.h"

namespace quadrelume::analysis {
namespace {

// Frames decoded per call into the stereo buffer.
constexpr int chunkFrames = 4096;

}  // namespace

MusicAnalysis::MusicAnalysis() = default;

MusicAnalysis::MusicAnalysis(const FileData& file)
    : music_(file.text()), decoder_(std::make_unique<OggMusicDecoder>(&music_)) {
    const int rate = decoder_->rate();
    totalFrames_ = std::min<std::int64_t>(decoder_->totalFrames(), std::int64_t{longestSeconds} * rate);
    table_.rate = rate;
    table_.waveform.resize(static_cast<std::size_t>(totalFrames_));
    // Rows up to the music's last sample, rounded up, and the tail after it.
    table_.rowCount = (totalFrames_ * rowsPerSecond + rate - 1) / rate + tailRows;
    table_.rows.resize(static_cast<std::size_t>(table_.rowCount) * rowBytes);
    blocks_ = (table_.rowCount + blockRows - 1) / blockRows;
    ready_ = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(blocks_));
    worker_ = std::thread([this] { work(); });
}

MusicAnalysis::~MusicAnalysis() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    if (worker_.joinable()) worker_.join();
}

std::size_t MusicAnalysis::memoryBytes() const {
    return table_.rows.capacity() + table_.waveform.capacity() + static_cast<std::size_t>(music_.size) +
           static_cast<std::size_t>(blocks_) * sizeof(std::atomic<bool>);
}

void MusicAnalysis::prepare(double t) {
    GridPoint point;
    if (blocks_ == 0 || !gridPointOf(t, &point)) return;
    for (std::int64_t row : {point.row, point.row + 1})
        if (row < table_.rowCount) ensure(row / blockRows);
    const std::int64_t start = waveformStart(t, table_.rate);
    const std::int64_t first = std::max<std::int64_t>(start, 0);
    const std::int64_t last = std::min<std::int64_t>(start + waveformWidth, totalFrames_) - 1;
    if (first <= last) {
        ensure(blockOfSample(first));
        ensure(blockOfSample(last));
    }
}

const MusicTable& MusicAnalysis::complete() {
    for (std::int64_t block = 0; block < blocks_; ++block) ensure(block);
    return table_;
}

void MusicAnalysis::ensure(std::int64_t block) {
    if (ready_[block].load(std::memory_order_acquire)) return;
    std::unique_lock<std::mutex> lock(mutex_);
    wanted_.push_back(block);
    changed_.notify_all();
    changed_.wait(lock, [&] { return ready_[block].load(std::memory_order_acquire); });
}

std::int64_t MusicAnalysis::firstOwnedSample(std::int64_t block) const {
    if (block <= 0) return 0;
    if (block >= blocks_) return totalFrames_;
    return std::min(rowCentre(block * blockRows, table_.rate), totalFrames_);
}

std::int64_t MusicAnalysis::blockOfSample(std::int64_t index) const {
    std::int64_t block = std::clamp<std::int64_t>(index * rowsPerSecond / table_.rate / blockRows, 0, blocks_ - 1);
    while (block > 0 && firstOwnedSample(block) > index) --block;
    while (block + 1 < blocks_ && firstOwnedSample(block + 1) <= index) ++block;
    return block;
}

void MusicAnalysis::work() {
    SpectrumAnalyser analyser(table_.rate);
    for (;;) {
        std::int64_t block = -1;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            block = stopping_ ? -1 : nextBlock();
        }
        if (block < 0) return;
        analyseBlock(block, analyser);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ready_[block].store(true, std::memory_order_release);
            cursor_ = block + 1;
        }
        changed_.notify_all();
    }
}

std::int64_t MusicAnalysis::nextBlock() {
    // The block a frame waits for first, the latest asked for before the
    // others: after a seek, the old position's requests no longer matter.
    while (!wanted_.empty()) {
        const std::int64_t block = wanted_.back();
        wanted_.pop_back();
        if (!ready_[block].load(std::memory_order_relaxed)) return block;
    }
    // Then ahead of the clock, and round to the blocks before it.
    for (std::int64_t step = 0; step < blocks_; ++step) {
        const std::int64_t block = (cursor_ + step) % blocks_;
        if (!ready_[block].load(std::memory_order_relaxed)) return block;
    }
    return -1;
}

void MusicAnalysis::analyseBlock(std::int64_t block, SpectrumAnalyser& analyser) {
    const int rate = table_.rate;
    const std::int64_t firstRow = block * blockRows;
    const std::int64_t endRow = std::min(firstRow + blockRows, table_.rowCount);
    const std::int64_t warmRow = std::max<std::int64_t>(firstRow - warmUpRows, 0);
    const std::int64_t ownedFrom = firstOwnedSample(block);
    const std::int64_t ownedTo = firstOwnedSample(block + 1);
    const std::int64_t from =
        std::clamp(std::min(rowCentre(warmRow, rate) - transformSize / 2, ownedFrom), std::int64_t{0}, totalFrames_);
    const std::int64_t to =
        std::clamp(std::max(rowCentre(endRow - 1, rate) + transformSize / 2, ownedTo), from, totalFrames_);
    decode(from, to, ownedFrom, ownedTo);
    const MonoSpan span{mono_.data(), from, to - from};
    analyser.restart();
    for (std::int64_t row = warmRow; row < endRow; ++row)
        analyser.addRow(span, rowCentre(row, rate), row >= firstRow ? table_.row(row) : nullptr);
}

void MusicAnalysis::decode(std::int64_t from, std::int64_t to, std::int64_t ownedFrom, std::int64_t ownedTo) {
    mono_.resize(static_cast<std::size_t>(to - from));
    if (to <= from) return;
    // Half a sample past the target, so that the decoder's truncation of
    // seconds × rate lands on it.
    decoder_->requestSeek((static_cast<double>(from) + 0.5) / table_.rate);
    std::int16_t stereo[chunkFrames * 2];
    for (std::int64_t at = from; at < to;) {
        const int frames = static_cast<int>(std::min<std::int64_t>(chunkFrames, to - at));
        decoder_->render(stereo, static_cast<unsigned long>(frames), 0.0);
        for (int i = 0; i < frames; ++i, ++at) {
            const std::int16_t left = stereo[2 * i];
            const std::int16_t right = stereo[2 * i + 1];
            mono_[static_cast<std::size_t>(at - from)] = (static_cast<float>(left) + static_cast<float>(right)) / 65536.0f;
            if (at >= ownedFrom && at < ownedTo) table_.waveform[static_cast<std::size_t>(at)] = waveformByte(left, right);
        }
    }
}

MusicAnalysis* loadMusicAnalysis(ReloadableFileData* file) {
    if (isStandIn(*file)) return new MusicAnalysis();
    return new MusicAnalysis(*file);
}

}  // namespace quadrelume::analysis
