// Builds a Demo from the text of a timeline file.
#pragma once

#include <cstdio>
#include <string>

#include "reload/file_data.h"
#include "timeline/demo.h"

namespace quadrelume {

// Builds the Demo that `file` describes, one range per line in file order:
//
//   <start> <end> #<effect>          draws the effect's shader (<effect>.ps)
//   <start> <end> <name> = #<effect> draws it into the buffer <name>
//   <start> <end> <name>/<n> = #<effect>  ... which is the picture's size / n
//   <start> <end> !<text>            builds nothing (a disabled line)
//   <start> <end> <statement>        runs the script assignment in every frame
//
// A buffer's first line decides its size; a later line may leave the size
// out, and one that gives another size is an error, as a size that is not a
// whole number from 1 to 16 and the names resolution, time and gtime are.
//
// Every non-blank line is traced on `trace` before it is acted on, as
// "Line:%d -> %f %f '%s'", so a syntax error's line is the last one shown.
// Blank lines are counted but not traced. A line without two time tokens
// builds nothing and does not move endTime; it is traced as ignored. End
// times, disabled lines' included, raise endTime, which starts at 0.
//
// The sync tracks a statement names, track("NAME"), are taken into use in
// the order the file names them (see useTracksOf); once the Demo is built,
// they are the tracks in use, and no others (see TimelineTracks).
//
// A syntax error in a statement, a wrong buffer line, a track name that
// cannot name a track, a track file that is not one, or a shader that does
// not build, ends the process; when builds keep the last good version, the
// message of a syntax error, a wrong buffer line or a bad track name begins
// with "<fileName>:<line>: ",
// the line counted from 1 as editors count (the trace's "Line:" numbers
// count from 0). Effect lines need the GL context current. Never gives null.
Demo* loadDemo(FileData* file, std::FILE* trace, const std::string& fileName = "time.txt");

// The endTime that loadDemo would give `file`, found without building or
// tracing anything: the largest end time of its lines, or 0.
float timelineEndTime(const FileData& file);

// The timeline holder's builder: loadDemo tracing on standard output.
Demo* loadDemo(ReloadableFileData* file);

}  // namespace quadrelume
