#include "web/music_pcm.h"

#define STB_VORBIS_HEADER_ONLY
#include "web/stb_vorbis_options.h"
#include <stb_vorbis.h>

#include <memory>

namespace quadrelume {
namespace {

struct Closer {
    void operator()(stb_vorbis* decoder) const { stb_vorbis_close(decoder); }
};

// Frames decoded per call: any size gives the same samples.
constexpr int chunkFrames = 4096;

}  // namespace

std::optional<MusicPcm> decodeMusicPcm(const FileData& file, std::string* problem) {
    int error = 0;
    std::unique_ptr<stb_vorbis, Closer> decoder(
        stb_vorbis_open_memory(reinterpret_cast<const unsigned char*>(file.data), file.size, &error, nullptr));
    if (!decoder) {
        *problem = "OGG not seekable";
        return std::nullopt;
    }
    const stb_vorbis_info info = stb_vorbis_get_info(decoder.get());
    if (info.channels != 2) {
        *problem = "Cannot use mono channel vorbis files at this time";
        return std::nullopt;
    }
    MusicPcm pcm;
    pcm.rate = static_cast<int>(info.sample_rate);
    pcm.samples.reserve(static_cast<std::size_t>(stb_vorbis_stream_length_in_samples(decoder.get())) * 2);
    std::vector<short> chunk(chunkFrames * 2);
    for (;;) {
        const int frames =
            stb_vorbis_get_samples_short_interleaved(decoder.get(), 2, chunk.data(), static_cast<int>(chunk.size()));
        if (frames <= 0) break;
        pcm.samples.insert(pcm.samples.end(), chunk.begin(), chunk.begin() + 2 * frames);
    }
    error = stb_vorbis_get_error(decoder.get());
    if (error != VORBIS__no_error && error != VORBIS_need_more_data) {
        *problem = "demo.ogg cannot be decoded on the page: stb_vorbis error " + std::to_string(error);
        return std::nullopt;
    }
    if (pcm.samples.empty()) {
        *problem = "OGG not seekable";
        return std::nullopt;
    }
    return pcm;
}

}  // namespace quadrelume
