// The player's command line: quadrelume [--edit] [DEMO_DIR], or
// quadrelume --new DIR.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/display.h"

#include "sync/editor_address.h"

namespace quadrelume {

struct CommandLine {
    enum class Action { play, help, version, usageError };
    Action action = Action::play;
    bool edit = false;        // --edit: the editing session; --sync sets it too
    std::optional<sync::EditorAddress> sync;  // --sync: the sync editor to connect to
    std::string demoFolder;   // entered before anything is read; empty for the current directory
    std::string newDemoFolder;  // --new: where to write a starter demo instead of playing one
    std::string error;        // what was wrong, for usageError
    // The editing session's window: --window WxH[+X+Y], --fullscreen, --on-top.
    platform::WindowLayout window;
    // --trace FILE: where the per-frame trace goes, "-" for standard output;
    // nothing when not given (standard output for the plain player, nowhere
    // for the editing session).
    std::optional<std::string> trace;
};

// The usage text that --help prints, ending in a newline.
extern const char* const usageText;

// Reads the arguments after the program name. Options that take a value
// come as "--name value" or "--name=value"; one whose value may be left out
// (--sync) takes it only as "--name=value". "--help" or "-h" and
// "--version" win over everything after them; an unknown option, or a second
// folder, is a usageError with its reason. "--" ends the options, so a
// folder may begin with "-". The window options need --edit; --new goes
// with no other folder and no --edit.
CommandLine parseCommandLine(int argc, const char* const* argv);

// Reads "WxH" or "WxH+X+Y" (X and Y may be negative, as in "+-10+0") into
// the size and place of `layout`. Sizes run from 1 to 16384, places from
// -32768 to 32767 (what X can place). False, with `layout` unchanged, for
// anything else; for a place out of that range `*problem`, when given, says
// so for a message.
bool parseWindowGeometry(std::string_view text, platform::WindowLayout& layout, std::string* problem = nullptr);

}  // namespace quadrelume
