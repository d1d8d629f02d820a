#include "app/command_line.h"

#include <charconv>
#include <string_view>

namespace quadrelume {

const char* const usageText =
    "usage: quadrelume [--edit] [DEMO_DIR]\n"
    "   or: quadrelume --new DIR\n"
    "Plays the demo in DEMO_DIR (default: the current directory): time.txt, its\n"
    "shaders, textures and demo.ogg. Escape or closing the window ends it.\n"
    "\n"
    "options:\n"
    "  --edit     editing session: Space pauses, Left/Right seek 1 s (Shift: 10 s),\n"
    "             Page Up/Down go to the previous/next line's start, Home to 0;\n"
    "             a save that does not build keeps the last good version;\n"
    "             F1 shows or hides the overlay, F11 switches to full screen and back\n"
    "  --window WxH[+X+Y]  the editing session's window size and place\n"
    "             (default: half the screen's width at 16:9, at its right)\n"
    "  --fullscreen  start the editing session in full screen\n"
    "  --on-top   ask the window manager to keep the window above the others\n"
    "  --trace FILE  write the per-frame trace to FILE, - for standard output\n"
    "             (default: standard output; nowhere in an editing session)\n"
    "  --sync[=ADDRESS]  editing session connected to a sync editor at ADDRESS,\n"
    "             [HOST][:PORT] (default: localhost:1338; IPv6 in brackets, as\n"
    "             [::1]:1338): track(\"NAME\") takes the editor's keys, the\n"
    "             editor moves and pauses the demo, and saves the NAME.track files\n"
    "  --new DIR  write a starter demo into the new folder DIR, and say how to\n"
    "             open it in an editing session; an existing DIR is refused\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

namespace {

// One option: its name and what it sets. `expected` is null for a flag, and
// otherwise says what a good value looks like, for the message; `apply`
// gives false for a value that is not one, and may put what is wrong with
// it into the line's `error`, which then says it instead. An option whose value is
// `optional` takes one only after "=", and is given "" without.
struct Option {
    std::string_view name;
    const char* expected;
    bool (*apply)(CommandLine& line, std::string_view value);
    bool needsEdit = false;  // an option of the editing session only
    bool optional = false;   // its value comes only after "="; "" without
};

constexpr Option options[] = {
    {"--edit", nullptr, [](CommandLine& line, std::string_view) { return line.edit = true; }},
    {"--new", "a name for the new demo folder",
     [](CommandLine& line, std::string_view value) {
         line.newDemoFolder = value;
         return !value.empty();
     }},
    {"--sync", "[HOST][:PORT], as in --sync=localhost:1338",
     [](CommandLine& line, std::string_view value) {
         line.sync = sync::parseEditorAddress(value, &line.error);
         return line.edit = line.sync.has_value();
     },
     false, true},
    {"--help", nullptr,
     [](CommandLine& line, std::string_view) {
         line.action = CommandLine::Action::help;
         return true;
     }},
    {"-h", nullptr,
     [](CommandLine& line, std::string_view) {
         line.action = CommandLine::Action::help;
         return true;
     }},
    {"--version", nullptr,
     [](CommandLine& line, std::string_view) {
         line.action = CommandLine::Action::version;
         return true;
     }},
    {"--window", "a size and an optional place, such as 960x540 or 960x540+960+0",
     [](CommandLine& line, std::string_view value) { return parseWindowGeometry(value, line.window, &line.error); },
     true},
    {"--fullscreen", nullptr, [](CommandLine& line, std::string_view) { return line.window.fullScreen = true; },
     true},
    {"--on-top", nullptr, [](CommandLine& line, std::string_view) { return line.window.onTop = true; }, true},
    {"--trace", "a file name, or - for standard output",
     [](CommandLine& line, std::string_view value) {
         line.trace = std::string(value);
         return !value.empty();
     }},
};

// Reads an integer from the front of `text`, and moves past it.
bool takeInteger(std::string_view& text, int& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop == text.data()) return false;
    text.remove_prefix(static_cast<std::size_t>(stop - text.data()));
    return true;
}

bool takeChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

const Option* optionNamed(std::string_view name) {
    for (const Option& option : options)
        if (option.name == name) return &option;
    return nullptr;
}

CommandLine refuse(std::string reason) {
    CommandLine line;
    line.action = CommandLine::Action::usageError;
    line.error = std::move(reason);
    return line;
}

}  // namespace

bool parseWindowGeometry(std::string_view text, platform::WindowLayout& layout, std::string* problem) {
    constexpr int largest = 16384;
    // X keeps a window's place in 16-bit coordinates; a place beyond them
    // would land somewhere else, or nowhere on any screen.
    constexpr int lowestPlace = -32768;
    constexpr int highestPlace = 32767;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    if (text.empty() || text.front() == '-' || text.front() == '+') return false;
    if (!takeInteger(text, width) || !takeChar(text, 'x') || text.empty() || text.front() == '-' ||
        !takeInteger(text, height))
        return false;
    if (width < 1 || height < 1 || width > largest || height > largest) return false;
    const bool placed = !text.empty();
    if (placed && !(takeChar(text, '+') && takeInteger(text, x) && takeChar(text, '+') && takeInteger(text, y) &&
                    text.empty()))
        return false;
    if (x < lowestPlace || x > highestPlace || y < lowestPlace || y > highestPlace) {
        if (problem != nullptr)
            *problem = "X places a window from " + std::to_string(lowestPlace) + " to " +
                       std::to_string(highestPlace) + " in each direction";
        return false;
    }
    layout.width = width;
    layout.height = height;
    layout.placed = placed;
    layout.x = x;
    layout.y = y;
    return true;
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    std::string_view editOnly;  // the first option given that needs --edit
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            // "--name=value" or "--name value" for an option that takes one.
            std::size_t equals = argument.find('=');
            std::string_view name = argument.substr(0, equals);
            const Option* known = optionNamed(name);
            if (known == nullptr) return refuse("unknown option " + std::string(argument));
            std::string_view value;
            if (known->expected == nullptr) {
                if (equals != std::string_view::npos)
                    return refuse(std::string(name) + " takes no value, not " + std::string(argument));
            } else if (equals != std::string_view::npos) {
                value = argument.substr(equals + 1);
            } else if (known->optional) {
                value = {};
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                return refuse(std::string(name) + " needs a value: " + known->expected);
            }
            if (!known->apply(line, value))
                return refuse(std::string(name) + " " + std::string(value) + ": " +
                              (line.error.empty() ? "expected " + std::string(known->expected) : line.error));
            if (line.action != CommandLine::Action::play) return line;
            if (known->needsEdit && editOnly.empty()) editOnly = known->name;
            continue;
        }
        if (!line.demoFolder.empty()) return refuse("only one demo folder, not also " + std::string(argument));
        if (argument.empty()) return refuse("the demo folder is an empty name");
        line.demoFolder = argument;
    }
    if (!line.newDemoFolder.empty() && (line.edit || !line.demoFolder.empty()))
        return refuse("--new writes a demo and plays none: it takes no demo folder and no --edit");
    if (!editOnly.empty() && !line.edit)
        return refuse(std::string(editOnly) + " is an option of the editing session: add --edit");
    return line;
}

}  // namespace quadrelume
