// Writes the music of an Ogg Vorbis file as the player decodes it (Tremor,
// through the player's decoder): its interleaved 16-bit samples, little
// endian, on standard output, and its sample rate on standard error. The
// browser tests compare the page's samples with these.
//
//   music_samples FILE
#include <cstdio>
#include <vector>

#include "clock/ogg_music_decoder.h"
#include "reload/file_data.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::unique_ptr<quadrelume::ReloadableFileData> file = quadrelume::loadReloadableFile(argv[1]);
    if (!file) return 1;
    quadrelume::OggMusicDecoder decoder(file.get());
    std::vector<std::int16_t> samples(static_cast<std::size_t>(decoder.totalFrames()) * 2);
    decoder.render(samples.data(), static_cast<unsigned long>(decoder.totalFrames()), 0.0);
    std::fwrite(samples.data(), sizeof samples[0], samples.size(), stdout);
    std::fprintf(stderr, "%d\n", decoder.rate());
    return decoder.failure() == nullptr ? 0 : 1;
}
