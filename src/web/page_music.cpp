#include "web/page_music.h"

#include <algorithm>
#include <string>

#include "platform/fatal.h"

namespace quadrelume {

PageMusic::PageMusic(std::shared_ptr<const FileData> file, analysis::MusicTable rows, bool keepSamples)
    : file_(std::move(file)), table_(std::move(rows)), keepSamples_(keepSamples) {
    table_.rate = 0;
    table_.waveform.clear();
}

void PageMusic::decode() {
    std::string problem;
    samples_ = decodeMusicPcm(*file_, &problem);
    if (!samples_) fatal(problem);
    table_.rate = samples_->rate;
    table_.waveform = waveformOf(*samples_);
    waveformMade_ = true;
}

void PageMusic::prepare(double) {
    if (waveformMade_) return;
    decode();
    if (!keepSamples_) samples_.reset();
}

MusicPcm PageMusic::takeSamples() {
    if (!samples_) decode();
    MusicPcm taken = std::move(*samples_);
    samples_.reset();
    return taken;
}

std::vector<std::uint8_t> waveformOf(const MusicPcm& music) {
    const std::int64_t frames =
        std::min<std::int64_t>(music.frames(), std::int64_t{analysis::longestMusicSeconds} * music.rate);
    std::vector<std::uint8_t> waveform(static_cast<std::size_t>(frames));
    for (std::int64_t i = 0; i < frames; ++i)
        waveform[static_cast<std::size_t>(i)] = analysis::waveformByte(music.samples[2 * i], music.samples[2 * i + 1]);
    return waveform;
}

}  // namespace quadrelume
