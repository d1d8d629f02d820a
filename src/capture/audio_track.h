// The music of a video file, written a little at a time alongside the frames.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace quadrelume::capture {

// The audio stream of a video file. Its sample n belongs to time from + n /
// rate, from being the demo time of the first frame, so it stays aligned
// with the frames. Used from one thread at a time; after addStream only the
// thread that writes the frames calls it.
class AudioTrack {
public:
    virtual ~AudioTrack() = default;

    // Adds the track's stream to `container`, before its header is written.
    // Throws std::runtime_error when the stream cannot be set up.
    virtual void addStream(AVFormatContext* container) = 0;

    // Writes (at least) the audio that plays during the first `frames`
    // frames, so that the container can interleave it with them.
    virtual void writeThrough(std::int64_t frames) = 0;

    // Writes the rest: in all, the audio of exactly `frames` frames where the
    // codec can end there, and whatever the encoder still holds.
    virtual void finish(std::int64_t frames) = 0;

    // Mends the file at `path` once the container is written and closed,
    // for what the muxer cannot write. Throws std::runtime_error on failure.
    virtual void finishFile(const std::string& path) {}
};

}  // namespace quadrelume::capture
