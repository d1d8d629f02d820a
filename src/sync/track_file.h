// Track files: the saved keys of one track, in the player format of the
// sync library's client, that a release plays without an editor.
//
// A file holds a key count, then per key its row, its value and its type:
//
//   u32 count | count x (u32 row, f32 value, u8 type)    (4 + 9 x count bytes)
//
// The library writes the machine's own byte order; here it is always little
// endian. Every machine a demo is likely to be made or shown on (x86, ARM in
// its usual mode) is little endian, so these files are byte for byte the ones
// the library's own tools write there, and a big-endian machine still reads
// them right.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sync/track.h"

namespace quadrelume::sync {

// The most bytes a track name may have; editors show far shorter ones.
inline constexpr std::size_t maximumTrackNameLength = 1024;

// The file a track is saved in, relative to the demo folder: the name with
// every byte other than ASCII letters, digits, ".", "_" and "/" written as
// "-" and two upper-case hex digits, then ".track" ("cam:x" is
// "cam-3Ax.track"). A "/" stays, and puts the file into a folder.
std::string trackFileName(std::string_view trackName);

// Why `trackName` cannot name a track, or nothing when it can: it must not
// be empty, hold a 0 byte, end in "/" or be longer than
// maximumTrackNameLength, and its file name must stay inside the demo folder
// (no part between slashes empty, "." or "..") with no part longer than a
// file name may be.
std::optional<std::string> trackNameProblem(std::string_view trackName);

// The bytes of a track file holding `keys`.
std::string encodeTrackFile(std::span<const TrackKey> keys);

// Reads the bytes of a track file into `keys`. False, with what is wrong in
// `error` and `keys` left empty, when the bytes are not exactly one count
// and that many keys, a key's type is 4 or more, or the rows do not go up
// from key to key.
bool decodeTrackFile(std::string_view bytes, std::vector<TrackKey>& keys, std::string& error);

// Saves `keys` at `path` so that no reader ever sees half a file, through a
// fresh hidden temporary file beside it that is renamed over it (see
// platform::replaceFile: nothing is written through a link, and every name
// trackNameProblem accepts can be saved). Missing folders on the way are
// made. False, with the reason in `error`, when it cannot be written; the
// old file then stays as it was.
bool writeTrackFile(const std::string& path, std::span<const TrackKey> keys, std::string& error);

}  // namespace quadrelume::sync
