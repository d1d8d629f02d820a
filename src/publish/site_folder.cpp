#include "publish/site_folder.h"

#include <filesystem>

#include "platform/process_io.h"

namespace quadrelume::publish {
namespace {

namespace fs = std::filesystem;

// `path` made absolute, with every link that exists followed.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path real = fs::weakly_canonical(fs::absolute(path), error);
    return error ? fs::absolute(path).lexically_normal() : real;
}

bool isInside(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

std::string outputRefusal(const std::string& demoFolder, const std::string& output) {
    std::error_code error;
    const std::string demoName = demoFolder.empty() ? "." : demoFolder;
    if (!fs::is_directory(demoName, error)) return "--demo " + demoFolder + ": no such folder";
    const fs::path site = resolved(output);
    const fs::path demo = resolved(demoName);
    if (isInside(site, demo))
        return output + ": that is inside the demo folder " + demo.string() +
               ", and the site would hold a copy of itself; name a folder outside it";
    if (fs::exists(fs::symlink_status(output, error)) || fs::exists(site, error)) {
        if (!fs::is_directory(site, error)) return output + ": that is not a folder";
        if (!fs::is_empty(site, error) || error) return output + ": that folder is not empty; name a new or empty one";
    }
    const fs::path parent = site.parent_path();
    if (!platform::isWritableDirectory(parent.string()))
        return output + ": the folder " + parent.string() + " does not exist or cannot be written";
    return {};
}

}  // namespace quadrelume::publish
