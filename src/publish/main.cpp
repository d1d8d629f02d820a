// quadrelume-publish: writes a demo as a static web site that plays it in a
// browser, after checking with the player's own code that it would play.
// See publishUsageText for the command line and docs/authoring.md
// ("Publishing on the web") for the rest.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "capture/exits.h"
#include "capture/temporary_output.h"
#include "platform/process_io.h"
#include "publish/checked_demo.h"
#include "publish/publish_options.h"
#include "publish/site_contents.h"
#include "publish/site_folder.h"
#include "publish/site_writer.h"
#include "publish/web_player.h"

namespace {

using namespace quadrelume;
using namespace quadrelume::publish;
namespace fs = std::filesystem;

std::string kilobytes(std::uintmax_t bytes) { return std::to_string((bytes + 512) / 1024) + " KB"; }

// Everything after the command line was read; gives the exit code.
int publishDemo(const PublishCommand& command) {
    capture::prepareExits("");
    const std::string refused = outputRefusal(command.demoFolder, command.output);
    if (!refused.empty()) return capture::badOption(refused);
    const fs::path site = fs::weakly_canonical(fs::absolute(command.output));
    const fs::path demoFolder = fs::canonical(command.demoFolder.empty() ? "." : command.demoFolder);
    fs::current_path(demoFolder);

    // The libraries' console lines (timeline lines, shader scans, image
    // loads) have no reader here.
    platform::redirectStandardOutput("");
    const CheckedDemo checked = checkDemo();
    const std::vector<ShippedFile> contents = siteContents(checked);
    std::string lookedIn;
    const std::string player = findWebPlayer(&lookedIn);
    if (player.empty()) return capture::failed("the web player is not installed: none in " + lookedIn);

    // Written beside the site under a hidden name, and moved into it when
    // complete, so that the site never holds half of itself.
    std::optional<SiteSize> size;
    bool madeTheFolder = false;
    try {
        capture::TemporaryOutput temporary(site.parent_path().string(), site.filename().string(), true);
        size = writeSite(temporary.path(), player, demoFolder.filename().string(), contents, capture::shouldStop);
        if (!size || capture::shouldStop()) return capture::reportStop();
        madeTheFolder = fs::create_directory(site);
        temporary.commit(site.string());
    } catch (const std::exception& e) {
        std::error_code ignored;
        if (madeTheFolder) fs::remove(site, ignored);
        return capture::failed(e.what());
    }
    std::fprintf(stderr,
                 "%s: wrote %s: the web player (%s) and %d files of the demo (%s). Serve the folder with any web "
                 "server, for example: python3 -m http.server --directory %s\n",
                 capture::programName(), site.c_str(), kilobytes(size->playerBytes).c_str(), size->demoFiles,
                 kilobytes(size->demoBytes).c_str(), site.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    capture::setProgramName("quadrelume-publish");
    const PublishCommand command = parsePublishCommandLine(argc, argv);
    switch (command.kind) {
        case PublishCommand::Kind::help: std::fputs(publishUsageText().c_str(), stdout); return 0;
        case PublishCommand::Kind::version: std::printf("%s %s\n", capture::programName(), QUADRELUME_VERSION); return 0;
        case PublishCommand::Kind::invalid: return capture::badOption(command.error);
        case PublishCommand::Kind::publish: break;
    }
    return publishDemo(command);
}
