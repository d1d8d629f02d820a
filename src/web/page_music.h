// The demo's music on the web page: its samples, decoded once, when first
// needed, for Web Audio and for the waveform; and the music that the
// pictures follow (the spectrum texture, bands(), level()): the analysis
// shipped with the site (web/shipped_music_table.h) with the waveform made
// from those samples, as the player makes its own from its decoder's.
#pragma once

#include <memory>
#include <optional>

#include "analysis/music_source.h"
#include "reload/file_data.h"
#include "web/music_pcm.h"

namespace quadrelume {

class PageMusic final : public analysis::MusicSource {
public:
    // The music in `file` (demo.ogg), analysed into `rows` (a table without
    // its waveform). `keepSamples`: a clock will take the samples
    // (takeSamples), so they stay after the waveform is made.
    PageMusic(std::shared_ptr<const FileData> file, analysis::MusicTable rows, bool keepSamples);

    const analysis::MusicTable& table() const override { return table_; }

    // The first call decodes the music, unless takeSamples has, and makes
    // the waveform from it; fatal when it cannot be decoded. Only the
    // spectrum texture asks for the waveform: a page whose pictures follow
    // only the bands or the level shows its first frame before the music is
    // decoded.
    void prepare(double t) override;
    // The rows are ready from the start.
    void prepareRows(double) override {}

    // The samples, for the music's clock: decoded now unless they were
    // (fatal when they cannot be), with the waveform made from them on the
    // way, and handed over. Once only.
    MusicPcm takeSamples();

private:
    void decode();

    std::shared_ptr<const FileData> file_;
    analysis::MusicTable table_;
    bool keepSamples_;
    bool waveformMade_ = false;
    std::optional<MusicPcm> samples_;
};

// The waveform bytes (music_table.h) of `music`: one per sample frame, the
// mono mix as analysis::waveformByte makes it, for the music's first hour
// (analysis::longestMusicSeconds), as the player's analysis stores it.
std::vector<std::uint8_t> waveformOf(const MusicPcm& music);

}  // namespace quadrelume
