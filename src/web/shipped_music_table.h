// The music's analysis as a published site holds it, for the page, which
// cannot run the transform: the table of analysis/music_table.h, made by the
// publish program with the player's own analysis, in the table file format
// (analysis/music_table_file.h) without the waveform (the page makes that
// from the samples it decodes for Web Audio), compressed as one zlib stream
// (RFC 1950), which takes a third off the spectrum's bytes.
#pragma once

#include <optional>
#include <string_view>

#include "analysis/music_table.h"

namespace quadrelume {

// Its name in the site's copy of the demo folder, beside demo.ogg. No file
// the player reads has such a name.
inline constexpr const char* shippedMusicTableName = "demo.ogg.table.z";

// The table that `bytes` hold; nothing when they are not a zlib stream of a
// table file. Inflated with stb_image's inflater, which the page has for
// PNG textures already.
std::optional<analysis::MusicTable> readShippedMusicTable(std::string_view bytes);

}  // namespace quadrelume
