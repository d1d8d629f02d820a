#include "publish/publish_options.h"

#include <span>

#include "capture/option_table.h"

namespace quadrelume::publish {
namespace {

using capture::Arguments;
using capture::ValueOption;

const ValueOption<PublishCommand> valueOptions[] = {
    {"--demo", "a folder",
     [](std::string_view v, PublishCommand& c) {
         c.demoFolder = v;
         return !v.empty();
     }},
};

PublishCommand invalid(std::string error) {
    PublishCommand command;
    command.error = std::move(error);
    return command;
}

}  // namespace

PublishCommand parsePublishCommandLine(int argc, const char* const* argv) {
    PublishCommand command;
    const Arguments read =
        capture::readArguments(argc, argv, std::span<const ValueOption<PublishCommand>>(valueOptions), command);
    switch (read.kind) {
        case Arguments::Kind::help: command.kind = PublishCommand::Kind::help; return command;
        case Arguments::Kind::version: command.kind = PublishCommand::Kind::version; return command;
        case Arguments::Kind::invalid: return invalid(read.error);
        case Arguments::Kind::run: break;
    }
    if (read.operands.empty()) return invalid("no OUTDIR given");
    if (read.operands.size() > 1) return invalid("more than one OUTDIR given: " + std::string(read.operands[1]));
    command.kind = PublishCommand::Kind::publish;
    command.output = read.operands[0];
    if (command.output.empty()) return invalid("OUTDIR is empty");
    return command;
}

std::string publishUsageText() {
    return "usage: quadrelume-publish [options] OUTDIR\n"
           "\n"
           "Writes the demo of the current folder (or of --demo DIR) into OUTDIR, a new\n"
           "or empty folder, as a web page that plays it: index.html, the web player and\n"
           "the demo's files, for any static web host. The demo is checked first, with\n"
           "the player's own code: every shader compiles, time.txt reads, every texture\n"
           "loads, the music decodes and the sync tracks read; a demo that would not\n"
           "play is refused with the player's message, and nothing is written.\n"
           "\n"
           "OUTDIR:\n"
           "  FOLDER         a new folder, or an empty one, outside the demo folder\n"
           "\n"
           "options:\n"
           "  --demo DIR     the demo folder (default: the current folder)\n"
           "  --help         show this text\n"
           "  --version      show the version\n"
           "\n"
           "The page plays from a web server (python3 -m http.server in\n"
           "OUTDIR serves it on this machine); index.html#t=12.5 starts at 12.5 s, and\n"
           "index.html#t=12.5&paused shows that frame and holds it. Exit codes: 0\n"
           "published, 1 the demo would not play or the site cannot be written, 2 bad\n"
           "options, 130 interrupted. Nothing is left in OUTDIR unless it completes.\n";
}

}  // namespace quadrelume::publish
