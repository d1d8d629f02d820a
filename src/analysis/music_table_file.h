// The analysed music as a file: what a publishing step writes beside a demo
// for a player that cannot run the transform itself, and what that player
// reads back.
//
// The layout, every number little-endian, with no padding:
//
//   bytes   what
//   8       the text "QLMUSIC1"
//   4       rows per second (60)
//   4       texels of a spectrum row (512)
//   4       bands per row (4)
//   4       R, the number of rows
//   4       the waveform's rate in Hz (0 when the file holds no waveform)
//   8       S, the number of waveform samples (0 when it holds none)
//   R × 517 the rows, first to last: 512 spectrum bytes, 4 band bytes
//           (low, low-mid, high-mid, high), 1 level byte
//   S       the mono mix, one byte per sample frame from the music's first
//
// Row r is the music at r / 60 s; music_at.h says how a time between rows
// reads them, and docs/authoring.md what the bytes mean.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "analysis/music_table.h"

namespace quadrelume::analysis {

// The file of `table`, with its waveform when `withWaveform` (a page that
// decodes the music itself can make the waveform from its own samples).
std::string encodeMusicTable(const MusicTable& table, bool withWaveform);

// The table a file holds; nothing when `bytes` is not such a file (another
// magic text, other grid constants, or a length that does not fit its
// counts).
std::optional<MusicTable> decodeMusicTable(std::string_view bytes);

}  // namespace quadrelume::analysis
