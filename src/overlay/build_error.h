// A build failure's message cut into the faults it reports, each with the
// line of the file it names, for the error panel.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quadrelume::overlay {

struct Fault {
    int line = 0;      // line of the file, counted from 1; 0 when the message names none
    std::string text;  // what is wrong, without the place
};

// The faults in `message`, the text a failed build of `path` gave, one per
// line of it, in order; blank lines are dropped. Two ways of naming a line
// are understood:
//   "<path>:<line>: text"        the timeline loader's ("time.txt:2: ...")
//   "<n>:<line>(<column>): text" the GL compiler's info log ("0:3(12): ...")
// ahead of which a shader build puts "Error in <file>:" on its first line.
// Any other line is a fault without a line.
std::vector<Fault> faultsOf(std::string_view path, std::string_view message);

}  // namespace quadrelume::overlay
