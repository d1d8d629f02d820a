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

}  // namespace quadrelume::capture
