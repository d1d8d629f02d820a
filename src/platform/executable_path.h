// Where the running program's file is, so that it can find what was
// installed beside it.
#pragma once

#include <string>

namespace quadrelume::platform {

// The absolute path of this process's program file with symbolic links
// resolved (/usr/bin/quadrelume for the installed player), or an empty
// string when the system does not say.
std::string executablePath();

}  // namespace quadrelume::platform
