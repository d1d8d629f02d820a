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
    "  --help     show this text\n"
    "  --version  show the version\n";

namespace {

struct Option {
    std::string_view name;
    void (*apply)(CommandLine& line);
};

constexpr Option options[] = {
    {"--edit", [](CommandLine& line) { line.edit = true; }},
    {"--help", [](CommandLine& line) { line.action = CommandLine::Action::help; }},
    {"-h", [](CommandLine& line) { line.action = CommandLine::Action::help; }},
    {"--version", [](CommandLine& line) { line.action = CommandLine::Action::version; }},
};

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
            const Option* known = nullptr;
            for (const Option& option : options)
                if (option.name == argument) known = &option;
            if (known == nullptr) return refuse("unknown option " + std::string(argument));
            known->apply(line);
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
