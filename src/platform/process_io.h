// What a command-line program needs from the process it runs in: where
// standard output goes, whether standard error is a terminal, interrupt
// requests, and the files and folders it writes and must leave nothing of.
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
// interruptRequested reads. A second one of them calls `lastWords` (if not
// null; it runs in the signal handler, so it may only do what is safe
// there) and ends the process at once with `exitCode`. Failed writes are
// survived from now on, as with surviveFailedWrites.
void catchInterrupts(void (*lastWords)(), int exitCode);

// From now on SIGPIPE and SIGXFSZ are ignored: writing into a pipe whose
// reader has gone or past the file size limit fails with an error the
// program can report, instead of killing it.
void surviveFailedWrites();

// Whether one of the signals named above has arrived since catchInterrupts.
bool interruptRequested();

// This process's id.
int processId();

// Whether `path` is a directory in which this process may create files.
bool isWritableDirectory(const std::string& path);

// Whether this process may write the file `path`: an existing file it may
// write (a pipe or terminal such as /dev/stdout too), or a name it may
// create in an existing folder. Creates and changes nothing.
bool isWritableFile(const std::string& path);

// Removes the file `path`, or the folder `path` with every file in it (one
// level), with system calls only: safe in a signal handler, and while
// another thread still creates files in the folder (it keeps trying until
// the folder is gone). What cannot be removed is left.
void removeNow(const char* path);

// Writes `text` to standard error with system calls only: safe in a signal
// handler.
void writeErrorNow(const char* text);

}  // namespace quadrelume::platform
