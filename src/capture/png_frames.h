// PNG files, one per frame.
#pragma once

#include <string>
#include <vector>

#include "capture/frame_sink.h"
#include "capture/output_target.h"

namespace quadrelume::capture {

// Writes each frame as an 8-bit RGB PNG, top row first, named by `pattern`
// with the frame's index, into `folder`.
class PngFrames : public FrameSink {
public:
    // `compressionLevel` is zlib's, 0 to 9.
    PngFrames(std::string folder, FramePattern pattern, int width, int height, int compressionLevel);

    void writeFrame(const std::uint8_t* rgba, std::int64_t index) override;
    void finish(std::int64_t frames) override {}

private:
    std::string folder_;
    FramePattern pattern_;
    int width_;
    int height_;
    int compressionLevel_;
    std::vector<const std::uint8_t*> rows_;  // reused: the frame's rows, top first
};

// Removes the files of `folder` that `pattern` names with frame numbers of
// `first` and above, exactly as FramePattern::fileName writes them: frames
// an earlier, longer capture left there, which would otherwise carry on the
// new sequence. Gives how many it removed; what cannot be removed stays.
std::int64_t removeFramesFrom(const std::string& folder, const FramePattern& pattern, std::int64_t first);

}  // namespace quadrelume::capture
