// Where rendered frames go: a video file or PNG files.
#pragma once

#include <cstdint>

namespace quadrelume::capture {

// Takes the frames of one capture in order, on one thread. Failures are
// thrown as std::runtime_error with a message for the user.
class FrameSink {
public:
    virtual ~FrameSink() = default;

    // Takes frame `index` (0, 1, 2, ... in turn): width x height RGBA pixels,
    // rows packed, bottom row first as GL reads them. The pixels are only
    // valid during the call.
    virtual void writeFrame(const std::uint8_t* rgba, std::int64_t index) = 0;

    // Completes the output after its last frame, `frames` having been
    // written: what encoders hold back, the rest of the audio, the trailer.
    virtual void finish(std::int64_t frames) = 0;
};

}  // namespace quadrelume::capture
