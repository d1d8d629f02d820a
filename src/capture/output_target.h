// What OUTPUT asks for: a video file whose extension picks the container and
// codecs, or a series of PNG frames.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quadrelume::capture {

// How a video file gets the demo's music.
enum class AudioHandling {
    encode,      // decoded as the player decodes it, then encoded anew
    copyVorbis,  // the music's own Vorbis packets, unchanged
};

// What --quality sets for one kind of output, and the values it takes.
struct QualityScale {
    const char* meaning;  // for messages and --help
    int lowest;
    int highest;
    int standard;         // without --quality
};

// One kind of video file, chosen by the output's extension.
struct VideoFormat {
    std::string_view extension;  // lower case, with the dot
    const char* container;       // FFmpeg's muxer
    const char* videoEncoder;    // FFmpeg's encoder, always to yuv420p
    const char* videoOptions;    // the encoder's private options, "key=value:key=value"
    const char* audioEncoder;    // FFmpeg's encoder for AudioHandling::encode, else null
    AudioHandling audio;
    int audioBitRate;            // bits per second of the audio encoder
    // Whether encoded music is written on frames of one grid from demo time
    // 0, so that sections join (see EncodedMusic): for codecs whose decoder
    // needs only the packet before one to decode it whole.
    bool audioOnGrid;
    QualityScale quality;        // what --quality sets: the video encoder's constant quality
    const char* description;     // for messages, "H.264 and AAC in MP4"
};

// The extensions that make a video, and what each gets.
extern const VideoFormat videoFormats[3];

// What --quality sets for PNG frames: zlib's compression level.
extern const QualityScale pngQuality;

// A PNG file name with one frame number in it: prefix, the number printed
// with at least `digits` digits (padded with zeros when zeroPadded, else
// with spaces, as printf does), suffix.
struct FramePattern {
    std::string prefix;
    std::string suffix;
    int digits = 1;
    bool zeroPadded = false;

    std::string fileName(std::int64_t index) const;
};

// OUTPUT resolved: the video format, or PNG frames named by `frames`.
struct OutputTarget {
    const VideoFormat* video = nullptr;  // null for PNG frames
    FramePattern frames;                 // file names within `folder`, PNG frames only
    std::string path;                    // the video file, absolute; PNG frames: `folder`
    std::string folder;                  // the folder everything is written into, absolute
    QualityScale quality;
};

// Resolves `output` (relative to the current directory): an existing
// directory or a name whose file part holds one %d (optionally with a
// width, %05d) and ends in ".png" means PNG frames (an existing directory
// gets frames named %05d.png); otherwise the extension, in any case, must
// be one of videoFormats. Answers false with `error` set when it is none of
// these, the pattern is malformed, or an existing directory has a name that
// ends like a video or a PNG file. Does not check that the folder exists.
bool resolveOutputTarget(const std::string& output, OutputTarget& target, std::string& error);

}  // namespace quadrelume::capture
