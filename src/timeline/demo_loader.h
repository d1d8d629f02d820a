// Builds a Demo from the text of a timeline file.
#pragma once

#include <cstdio>

#include "reload/file_data.h"
#include "timeline/demo.h"

namespace quadrelume {

// Builds the Demo that `file` describes, one range per line in file order:
//
//   <start> <end> #<effect>   draws the effect's shader (<effect>.ps)
//   <start> <end> !<text>     builds nothing (a disabled line)
//   <start> <end> <statement> runs the script assignment in every frame
//
// Every non-blank line is traced on `trace` before it is acted on, as
// "Line:%d -> %f %f '%s'", so a syntax error's line is the last one shown.
// Blank lines are counted but not traced. A line without two time tokens
// builds nothing and does not move endTime; it is traced as ignored. End
// times, disabled lines' included, raise endTime, which starts at 0.
//
// A syntax error in a statement, or a shader that does not build, ends the
// process. Effect lines need the GL context current. Never gives null.
Demo* loadDemo(FileData* file, std::FILE* trace);

// The endTime that loadDemo would give `file`, found without building or
// tracing anything: the largest end time of its lines, or 0.
float timelineEndTime(const FileData& file);

// The timeline holder's builder: loadDemo tracing on standard output.
Demo* loadDemo(ReloadableFileData* file);

}  // namespace quadrelume
