#include "publish/site_contents.h"

#include <filesystem>

#include "platform/fatal.h"
#include "publish/shipped_music.h"
#include "render/shader_program.h"
#include "render/texture_cache.h"
#include "sync/row_rate.h"
#include "sync/track_set.h"
#include "web/shipped_music_table.h"

namespace quadrelume::publish {
namespace {

namespace fs = std::filesystem;

using Files = std::vector<ShippedFile>;

Files timelineFiles(const CheckedDemo&) { return {{"time.txt", {}}}; }

Files shaderFiles(const CheckedDemo&) {
    Files files;
    for (const auto& [file, holder] : programCache()) files.push_back({file, {}});
    return files;
}

Files textureFiles(const CheckedDemo&) {
    Files files;
    for (const auto& [file, holder] : textureCache())
        if (holder->object != nullptr) files.push_back({file, {}});
    return files;
}

Files trackFiles(const CheckedDemo&) {
    Files files;
    const sync::TrackSet& tracks = sync::trackSet();
    std::error_code error;
    for (std::size_t i = 0; i < tracks.size(); ++i)
        if (fs::is_regular_file(tracks[i].fileName, error)) files.push_back({tracks[i].fileName, {}});
    if (tracks.size() > 0 && fs::is_regular_file(sync::rowRateFile, error)) files.push_back({sync::rowRateFile, {}});
    return files;
}

Files musicFiles(const CheckedDemo& checked) {
    if (!checked.music) return {};
    return {{"demo.ogg", {}}};
}

// The page cannot analyse the music: it reads the player's analysis, where
// the pictures follow the music.
Files musicTableFiles(const CheckedDemo& checked) {
    if (!checked.music || !checked.picturesFollowMusic) return {};
    return {{shippedMusicTableName, shippedMusicTable(*checked.music)}};
}

// Each kind of file the site holds of the demo, in the order of the list
// the page loads. A file made for the page (from the music, say) is one
// more line.
struct ShippedKind {
    Files (*files)(const CheckedDemo& checked);
};

constexpr ShippedKind shippedKinds[] = {
    {timelineFiles},
    {shaderFiles},
    {textureFiles},
    {trackFiles},
    {musicFiles},
    {musicTableFiles},
};

// Whether `path` stays inside the demo folder, where the page finds it
// under the same name, and fits on a line of the page's list.
bool staysInside(const std::string& path) {
    const fs::path name(path);
    if (path.empty() || name.is_absolute() || path.find_first_of("\r\n") != std::string::npos) return false;
    for (const fs::path& part : name.lexically_normal())
        if (part == "..") return false;
    return true;
}

}  // namespace

std::vector<ShippedFile> siteContents(const CheckedDemo& checked) {
    std::vector<ShippedFile> contents;
    for (const ShippedKind& kind : shippedKinds) {
        for (ShippedFile& file : kind.files(checked)) {
            if (!staysInside(file.path))
                fatal(file.path + ": the demo reads it from outside its folder, where a site cannot hold it; move "
                                  "it into the demo folder");
            contents.push_back(std::move(file));
        }
    }
    return contents;
}

}  // namespace quadrelume::publish
