// How fast the rows of the sync tracks go by: a setting of the demo folder,
// in the file sync.txt, so that every program that plays the folder agrees.
#pragma once

#include <string>
#include <string_view>

namespace quadrelume::sync {

// The file of the setting, in the demo folder. Without it the defaults hold.
inline constexpr const char* rowRateFile = "sync.txt";

// The music's tempo and how many rows a beat has, as editors and trackers
// count them. Row r plays at r / rowsPerSecond() seconds.
struct RowRate {
    double beatsPerMinute = 120.0;  // "bpm"
    double rowsPerBeat = 8.0;       // "rows-per-beat"

    double rowsPerSecond() const { return beatsPerMinute / 60.0 * rowsPerBeat; }
};

// Reads the text of sync.txt into `rate`, starting from the defaults. One
// setting per line, a name and a number separated by blanks:
//
//   # 140 beats per minute, a row every sixteenth note
//   bpm 140
//   rows-per-beat 4
//
// Blank lines and lines starting with "#" are skipped; a setting given twice
// takes the later number. False, with the line and what is wrong with it in
// `error`, for an unknown name, a line that is not a name and one number, or
// a number that is not above 0 and finite. Bytes of the file that do not
// print are written as \xNN in `error` (see printable).
bool parseRowRate(std::string_view text, RowRate& rate, std::string& error);

}  // namespace quadrelume::sync
