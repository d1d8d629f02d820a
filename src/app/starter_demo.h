// `quadrelume --new DIR`: a small demo written into a new folder, ready to
// be opened in an editing session and changed.
#pragma once

#include <cstdio>
#include <string>

namespace quadrelume {

// Writes the starter demo into `folder`, which must not exist yet (missing
// folders above it are made): a timeline, time.txt, that sets the script
// variable `tint`, and one effect, waves.ps, that reads `resolution`, `time`
// and `tint` at full precision where the GPU has it. Both files say where
// the author's guide is. Then prints to `out` the command that opens the
// demo in an editing session, `program --edit folder`, quoted for a POSIX
// shell where needed.
//
// Gives the exit code: 0 when the demo is written; 2 when something already
// exists at `folder`, which is then left exactly as it was; 1 when the
// folder or a file cannot be written, after removing the new folder again.
// Either refusal is explained in one line on `err`.
int writeStarterDemo(const std::string& folder, const std::string& program, std::FILE* out, std::FILE* err);

}  // namespace quadrelume
