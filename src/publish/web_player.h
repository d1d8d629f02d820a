// The web player's files, as installed with the programs or as built.
#pragma once

#include <string>
#include <string_view>

namespace quadrelume::publish {

// The files of the web player that every site holds, beside the demo's.
inline constexpr std::string_view webPlayerFiles[] = {"index.html", "loader.js", "quadrelume.js", "quadrelume.wasm"};

// The folder that holds all of webPlayerFiles: where the package (or make
// install) puts them for this program, <prefix>/share/quadrelume/web for
// <prefix>/bin/quadrelume-publish, else the build tree's. Empty, with the
// folders looked in in *lookedIn, when neither has them all.
std::string findWebPlayer(std::string* lookedIn);

}  // namespace quadrelume::publish
