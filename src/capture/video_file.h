// A video file made with FFmpeg: the frames encoded to yuv420p and the music.
#pragma once

#include <memory>
#include <string>

#include "capture/audio_track.h"
#include "capture/ffmpeg_support.h"
#include "capture/frame_schedule.h"
#include "capture/frame_sink.h"
#include "capture/output_target.h"

namespace quadrelume::capture {

// Encodes the frames with the format's video encoder at constant quality
// `quality`, converted from RGB to BT.709 limited-range yuv420p (and tagged
// so), and interleaves the audio track's packets with them, each frame's
// audio right after it. An MP4 gets its index at the front, so that it
// plays while it downloads.
class VideoFile : public FrameSink {
public:
    // Opens `path` for writing as `format`'s container whatever its name
    // says (it is the temporary name). `audio` may be null for a video
    // without sound. Throws std::runtime_error when an encoder is missing or
    // refuses the settings, or the file cannot be created.
    VideoFile(const VideoFormat& format, const std::string& path, int width, int height, FrameRate rate, int quality,
              std::unique_ptr<AudioTrack> audio);

    void writeFrame(const std::uint8_t* rgba, std::int64_t index) override;
    void finish(std::int64_t frames) override;

private:
    // Closes the file, if open, and frees the container.
    struct ContainerFree {
        void operator()(AVFormatContext* container) const {
            avio_closep(&container->pb);
            avformat_free_context(container);
        }
    };

    std::unique_ptr<AVFormatContext, ContainerFree> container_;
    AVStream* stream_ = nullptr;
    CodecContextPtr encoder_;
    ScalePtr converter_;
    FramePtr frame_;
    std::unique_ptr<AudioTrack> audio_;
    std::string path_;
    int width_;
    int height_;
};

// Whether FFmpeg's encoders take frames of width x height: their picture
// buffers, borders included, must stay below 2^31 bytes.
bool videoSizeFits(int width, int height);

}  // namespace quadrelume::capture
