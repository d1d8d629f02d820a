// The player's command line: quadrelume [--edit] [DEMO_DIR].
#pragma once

#include <optional>
#include <string>

#include "sync/editor_address.h"

namespace quadrelume {

struct CommandLine {
    enum class Action { play, help, version, usageError };
    Action action = Action::play;
    bool edit = false;        // --edit: the editing session; --sync sets it too
    std::optional<sync::EditorAddress> sync;  // --sync: the sync editor to connect to
    std::string demoFolder;   // entered before anything is read; empty for the current directory
    std::string error;        // what was wrong, for usageError
};

// The usage text that --help prints, ending in a newline.
extern const char* const usageText;

// Reads the arguments after the program name. Options that take a value
// come as "--name value" or "--name=value"; one whose value may be left out
// (--sync) takes it only as "--name=value". "--help" or "-h" and
// "--version" win over everything after them; an unknown option, or a second
// folder, is a usageError with its reason. "--" ends the options, so a
// folder may begin with "-".
CommandLine parseCommandLine(int argc, const char* const* argv);

}  // namespace quadrelume
