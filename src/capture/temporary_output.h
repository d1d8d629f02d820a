// Writing a capture under a temporary name beside its final place, so that
// nothing that looks complete exists until it is.
#pragma once

#include <string>

namespace quadrelume::capture {

// A hidden file or folder in the output's folder that the capture writes
// into, moved into place by commit. A failed, interrupted or refused capture
// removes it; a killed one leaves only the hidden name behind.
class TemporaryOutput {
public:
    // Names the temporary "<folder>/.<name>.<process id>.part" (`name`
    // shortened where the whole name would be too long for the folder's
    // file system) and, for frames (`isFolder`), creates it as a folder. It becomes what
    // abandonTemporaryOutput removes; one at a time per process. Throws
    // std::runtime_error when the folder cannot be created.
    TemporaryOutput(const std::string& folder, const std::string& name, bool isFolder);
    // Removes the temporary unless it was committed.
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    // Where to write: the temporary file, or the temporary folder.
    const std::string& path() const { return path_; }

    // A file: renames it to `finalPath`, replacing what was there. A folder:
    // renames every file in it into `finalPath` (a folder), replacing files
    // of the same names, and removes the emptied temporary folder. Throws
    // std::runtime_error when a rename fails, leaving the rest for the
    // destructor to remove.
    void commit(const std::string& finalPath);

    // Removes the temporary and everything in it now.
    void abandon();

private:
    std::string path_;
    bool isFolder_;
    bool done_ = false;
};

// Removes the temporary output of the capture in progress, if any: the way
// out for a fatal error or an interruption, which do not unwind. Safe in a
// signal handler, and while another thread still writes into the
// temporary. Call it from one thread at a time.
void abandonTemporaryOutput();

}  // namespace quadrelume::capture
