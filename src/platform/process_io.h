// What a command-line program needs from the process it runs in: where
// standard output goes, whether standard error is a terminal, interrupt
// requests, and whether a folder can take new files.
#pragma once

#include <cstdio>
#include <string>

namespace quadrelume::platform {

// Flushes standard output and points it (file descriptor 1 and `stdout`) at
// the file `path`, created or emptied, or at the null device when `path` is
// empty. False, with standard output unchanged, when the file cannot be
// opened for writing.
bool redirectStandardOutput(const std::string& path);

// A new stream, line buffered, on whatever standard output is now; it stays
// there when standard output is redirected afterwards, so that a program can
// send its trace elsewhere and still talk to its terminal. Null when the
// descriptor cannot be duplicated.
std::FILE* duplicateStandardOutput();

// Whether standard error is a terminal (where a progress line that rewrites
// itself makes sense).
bool standardErrorIsTerminal();

// From now on SIGINT, SIGTERM and SIGHUP only set the flag that
// interruptRequested reads; a second one of them ends the process as usual.
void catchInterrupts();

// Whether one of the signals named above has arrived since catchInterrupts.
bool interruptRequested();

// This process's id.
int processId();

// Whether `path` is a directory in which this process may create files.
bool isWritableDirectory(const std::string& path);

}  // namespace quadrelume::platform
