// Where a published site may go: a new or empty folder outside the demo.
#pragma once

#include <string>

namespace quadrelume::publish {

// What is wrong with publishing the demo in `demoFolder` (empty: the current
// directory) into `output`, both relative to the current directory, before
// anything is read or written: a demo folder that does not exist; an output
// that is the demo folder or inside it, links resolved (the site would hold
// a copy of itself); an output that exists and is not a folder, or is a
// folder that is not empty; a folder for the output that does not exist or
// cannot be written. Empty when nothing is.
std::string outputRefusal(const std::string& demoFolder, const std::string& output);

}  // namespace quadrelume::publish
