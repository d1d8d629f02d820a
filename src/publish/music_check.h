// Whether the page will play the demo's music as the player plays it.
#pragma once

#include <string>

#include "reload/file_data.h"

namespace quadrelume::publish {

// Decodes `music` whole twice: as the player does (fatal with the player's
// message for a file the player refuses: "OGG not seekable", "Cannot use
// mono channel vorbis files at this time"...), and as the web page does
// (web/music_pcm.h). Gives what keeps the page from playing it as the
// player does, or nothing: damage, which the player plays as silence in
// place and the page's decoder cannot; a failure of the page's decoder (a
// chained file, say); a different length, or a sample more than one step
// (1/32768) apart.
std::string musicRefusal(const FileData& music);

}  // namespace quadrelume::publish
