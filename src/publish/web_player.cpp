#include "publish/web_player.h"

#include <filesystem>
#include <vector>

#include "platform/executable_path.h"

namespace quadrelume::publish {
namespace {

namespace fs = std::filesystem;

bool holdsThePlayer(const fs::path& folder) {
    std::error_code error;
    for (std::string_view name : webPlayerFiles)
        if (!fs::is_regular_file(folder / name, error)) return false;
    return true;
}

}  // namespace

std::string findWebPlayer(std::string* lookedIn) {
    std::vector<fs::path> candidates;
    const std::string program = platform::executablePath();
    // QUADRELUME_WEB_PLAYER_FROM_PROGRAM: the installed player's folder,
    // relative to the folder the programs are installed in.
    if (!program.empty())
        candidates.push_back((fs::path(program).parent_path() / QUADRELUME_WEB_PLAYER_FROM_PROGRAM).lexically_normal());
    candidates.push_back(QUADRELUME_WEB_PLAYER_BUILT);
    lookedIn->clear();
    for (const fs::path& folder : candidates) {
        if (holdsThePlayer(folder)) return folder.string();
        *lookedIn += (lookedIn->empty() ? "" : ", ") + folder.string();
    }
    return {};
}

}  // namespace quadrelume::publish
