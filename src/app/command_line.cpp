#include "app/command_line.h"

#include <string_view>

namespace quadrelume {

const char* const usageText =
    "usage: quadrelume [--edit] [DEMO_DIR]\n"
    "Plays the demo in DEMO_DIR (default: the current directory): time.txt, its\n"
    "shaders, textures and demo.ogg. Escape or closing the window ends it.\n"
    "\n"
    "  --edit     editing session: Space pauses, Left/Right seek 1 s (Shift: 10 s),\n"
    "             Page Up/Down go to the previous/next line's start, Home to 0;\n"
    "             a save that does not build keeps the last good version\n"
    "  --sync[=[HOST][:PORT]]\n"
    "             editing session connected to a sync editor (localhost:1338 by\n"
    "             default): track(\"NAME\") takes the editor's keys, the editor\n"
    "             moves and pauses the demo, and saves the NAME.track files\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

namespace {

// One option: its name and what it sets. `expected` is null for a flag, and
// otherwise says what a good value looks like, for the message; `apply`
// gives false for a value that is not one. An option whose value is
// `optional` takes one only after "=", and is given "" without.
struct Option {
    std::string_view name;
    const char* expected;
    bool (*apply)(CommandLine& line, std::string_view value);
    bool optional = false;
};

constexpr Option options[] = {
    {"--edit", nullptr, [](CommandLine& line, std::string_view) { return line.edit = true; }},
    {"--sync", "[HOST][:PORT], as in --sync=localhost:1338",
     [](CommandLine& line, std::string_view value) {
         line.sync = sync::parseEditorAddress(value);
         return line.edit = line.sync.has_value();
     },
     true},
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
};

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

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
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
                return refuse(std::string(name) + " " + std::string(value) + ": expected " + known->expected);
            if (line.action != CommandLine::Action::play) return line;
            continue;
        }
        if (!line.demoFolder.empty()) return refuse("only one demo folder, not also " + std::string(argument));
        if (argument.empty()) return refuse("the demo folder is an empty name");
        line.demoFolder = argument;
    }
    return line;
}

}  // namespace quadrelume
