#include "publish/shipped_music.h"

#include <zlib.h>

#include <stdexcept>

#include "analysis/music_analysis.h"
#include "analysis/music_table_file.h"

namespace quadrelume::publish {

std::string shippedMusicTable(const FileData& music) {
    analysis::MusicAnalysis analysis(music);
    const std::string table = analysis::encodeMusicTable(analysis.complete(), false);
    uLongf length = compressBound(static_cast<uLong>(table.size()));
    std::string packed(length, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(table.data()),
                  static_cast<uLong>(table.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("cannot compress the music's analysis");
    packed.resize(length);
    return packed;
}

}  // namespace quadrelume::publish
