// The music's analysis that a published site holds beside demo.ogg, for a
// page that cannot run the transform (web/shipped_music_table.h).
#pragma once

#include <string>

#include "reload/file_data.h"

namespace quadrelume::publish {

// The file of the analysis of `music` (an Ogg Vorbis file the player plays):
// the whole table, made by the player's own analysis
// (analysis/music_analysis.h), written without its waveform and compressed
// as web/shipped_music_table.h describes.
std::string shippedMusicTable(const FileData& music);

}  // namespace quadrelume::publish
