// Reading back what quadrelume-capture wrote, with libavformat and
// libavcodec: the packets of each stream, the decoded sound, and which
// tone a stretch of it holds.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>
#include <string>
#include <vector>

#include "clock/music_fixtures.h"

namespace quadrelume::testing {

// The packets and parameters of one stream of a file.
struct Track {
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    int format = -1;
    AVRational frameRate{0, 1};
    AVRational timeBase{0, 1};
    std::string extradata;
    std::vector<std::string> packets;
    std::vector<std::int64_t> pts;  // in timeBase, in file order
};

struct Media {
    Track video;
    Track audio;
};

// Every packet of the first video and the first audio stream of `path`;
// empty tracks when it cannot be read.
Media readMedia(const std::string& path);

// The first audio stream of `path` decoded by FFmpeg (trimmed as the file
// says), as 16-bit stereo.
Pcm decodeAudio(const std::string& path);

// The frames of the first video stream of `path` decoded by FFmpeg, in
// display order, each as the bytes of its planes (yuv420p: Y, then U, then
// V, rows without padding).
std::vector<std::string> decodeVideo(const std::string& path);

// The time of the first sample of `path`'s first audio stream as FFmpeg
// decodes it (its first frame's timestamp), in seconds.
double audioStart(const std::string& path);

// The first frame of `pcm` where the left channel's magnitude peaks.
std::int64_t loudestFrame(const Pcm& pcm);

// Which of the tones `frequency` + k × `step`, k from 0 to `count` - 1,
// sounds loudest in the left channel of frames [from, to) of `pcm`; -1 where
// that stretch is near silence.
int loudestTone(const Pcm& pcm, std::int64_t from, std::int64_t to, double frequency, double step, int count);

}  // namespace quadrelume::testing
