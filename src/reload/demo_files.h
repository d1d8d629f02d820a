// The files a demo folder is made of, as the programs read them, so that
// what a program writes (its trace) never lands on one of them.
#pragma once

#include <optional>
#include <string>

namespace quadrelume {

// Which of the files that the demo in `demoFolder` reads `path` is: the
// demo's time.txt, demo.ogg or sync.txt, or a .ps, .png or .track file (in
// any case) in the folder or in a folder below it, linked folders
// included. `path` is one of them when it names one, as written or with
// its links followed, even where none exists yet; and when it is the very
// same file, by device and inode, as one that exists, however it is
// reached (a link to the folder from elsewhere, a hard link). Gives the
// file's path from the demo folder ("common/glow.ps"), or nothing. Relative
// paths start at the current directory. Walks the demo folder only when
// `path` is an existing regular file, and each folder in it once, never a
// link to the folder or to one above it.
std::optional<std::string> demoFileAt(const std::string& path, const std::string& demoFolder);

}  // namespace quadrelume
