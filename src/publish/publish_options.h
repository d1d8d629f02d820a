// The command line of quadrelume-publish.
#pragma once

#include <string>

namespace quadrelume::publish {

// What the command line asks for.
struct PublishCommand {
    enum class Kind { publish, help, version, invalid };
    Kind kind = Kind::invalid;
    std::string demoFolder;  // empty: the current directory
    std::string output;      // OUTDIR, as given
    std::string error;       // for invalid: what is wrong, in one line
};

// Reads argv[1 .. argc-1]: "--demo DIR" (or "--demo=DIR") and exactly one
// OUTDIR, read as the capture program reads its command line (--help and
// --version win, "--" ends the options).
PublishCommand parsePublishCommandLine(int argc, const char* const* argv);

// The --help text, ending in a newline.
std::string publishUsageText();

}  // namespace quadrelume::publish
