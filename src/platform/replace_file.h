// Files written in one step: the bytes go to a fresh temporary file beside
// the file, which is then renamed over it, so that a reader never sees half
// a file and a crash leaves the old one whole.
#pragma once

#include <string>
#include <string_view>

namespace quadrelume::platform {

// The longest file name (one path component, in bytes) the file system
// holding the folder `folder` takes.
int longestFileName(const std::string& folder);

// A hidden name, for a temporary file in `folder` that stands for the file
// `name` there: "." + name + tail, with `name` shortened (at a UTF-8
// character boundary) where the whole would be longer than the folder's
// file system takes. `tail` (a process id, say) is what keeps it apart from
// other temporaries, so it is never cut.
std::string temporaryName(const std::string& folder, std::string_view name, std::string_view tail);

// Replaces the file `path` (in an existing folder) with one holding `bytes`,
// or creates it. The bytes go to a new file under a temporaryName beside it
// that is created for this save alone: never one that exists already, and
// never through a link (a link planted under that name makes the save pick
// another name, it is not written through). Then that file is renamed over
// `path`; a link at `path` itself is replaced, not followed. False, with the
// reason in `error` ("cannot write ...", "cannot rename ..."), when it
// cannot be done; `path` then stays as it was and no temporary is left.
bool replaceFile(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace quadrelume::platform
