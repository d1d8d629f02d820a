// Reading a command line against a table of options: what quadrelume-capture
// and quadrelume-publish share, so that both take options alike.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quadrelume::capture {

// An option that takes a value, and how the value is read into Options.
template <typename Options>
struct ValueOption {
    std::string_view name;  // "--size"
    const char* expected;   // what a good value looks like, for the message
    bool (*read)(std::string_view value, Options& options);  // false: a bad value
};

// What a command line holds.
struct Arguments {
    enum class Kind { run, help, version, invalid };
    Kind kind = Kind::invalid;
    std::vector<std::string_view> operands;  // for run, in order
    std::string error;                       // for invalid: what is wrong, in one line
};

// Reads argv[1 .. argc-1]: the options of `table` in the forms "--name
// value" and "--name=value", in any order, "--" ending them, and the operands
// (every other word, and "-" alone). --help (or -h) and --version anywhere
// before a "--" win over everything else. Invalid on an unknown option, a
// missing value or one that `read` refuses. The operands point into argv.
template <typename Options>
Arguments readArguments(int argc, const char* const* argv, std::span<const ValueOption<Options>> table,
                        Options& options) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    Arguments read;
    for (std::string_view arg : args) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") return Arguments{Arguments::Kind::help, {}, {}};
        if (arg == "--version") return Arguments{Arguments::Kind::version, {}, {}};
    }
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            read.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const ValueOption<Options>* option = nullptr;
        for (const ValueOption<Options>& entry : table)
            if (entry.name == name) option = &entry;
        if (option == nullptr) return Arguments{Arguments::Kind::invalid, {}, "unknown option " + std::string(name)};
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return Arguments{Arguments::Kind::invalid, {}, std::string(name) + " needs a value: " + option->expected};
        }
        if (!option->read(value, options))
            return Arguments{Arguments::Kind::invalid, {},
                             std::string(name) + " " + std::string(value) + ": expected " + option->expected};
    }
    read.kind = Arguments::Kind::run;
    return read;
}

}  // namespace quadrelume::capture
