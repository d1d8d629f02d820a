// Cuts text into lines.
#pragma once

#include <string>
#include <vector>

#include "reload/file_data.h"

namespace quadrelume {

// The lines of `file`'s contents, without their line ends. LF, CR and CR LF
// each end one line (so LF CR ends two, with an empty line between them); a
// last line without a line end is a line too, and no empty line follows a
// final line end. A 0 byte inside the text is dropped: it is not text, and
// skipping it keeps the rest of the line (a file saved as UTF-16 by mistake
// still reads as its characters).
std::vector<std::string> splitLines(const FileData& file);

}  // namespace quadrelume
