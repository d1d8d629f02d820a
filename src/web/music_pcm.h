// The demo's music as the web page plays it: decoded whole, up front, by a
// decoder that WebAssembly can hold (stb_vorbis), into the samples that Web
// Audio plays. The publish program runs the same decoder natively to check
// that the page's samples are the player's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reload/file_data.h"

namespace quadrelume {

// Interleaved 16-bit stereo samples.
struct MusicPcm {
    int rate = 0;
    std::vector<std::int16_t> samples;

    std::int64_t frames() const { return static_cast<std::int64_t>(samples.size() / 2); }
};

// Decodes the Ogg Vorbis music in `file` whole. Nothing, with the reason in
// *problem, when that cannot be done: the player's messages where the player
// refuses the file too ("OGG not seekable" for data that is not Ogg Vorbis,
// "Cannot use mono channel vorbis files at this time" for other than two
// channels), else what the decoder met ("demo.ogg cannot be decoded on the
// page: ...").
std::optional<MusicPcm> decodeMusicPcm(const FileData& file, std::string* problem);

}  // namespace quadrelume
