// The player's command line: quadrelume [--edit] [DEMO_DIR], or
// quadrelume --new DIR.
#pragma once

#include <string>

namespace quadrelume {

struct CommandLine {
    enum class Action { play, help, version, usageError };
    Action action = Action::play;
    bool edit = false;        // --edit: the editing session
    std::string demoFolder;   // entered before anything is read; empty for the current directory
    std::string newDemoFolder;  // --new: where to write a starter demo instead of playing one
    std::string error;        // what was wrong, for usageError
};

// The usage text that --help prints, ending in a newline.
extern const char* const usageText;

// Reads the arguments after the program name. Options that take a value
// come as "--name value" or "--name=value". "--help" or "-h" and
// "--version" win over everything after them; an unknown option, or a second
// folder, is a usageError with its reason. "--" ends the options, so a
// folder may begin with "-". --new goes with no other folder and no --edit.
CommandLine parseCommandLine(int argc, const char* const* argv);

}  // namespace quadrelume
