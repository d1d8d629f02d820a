#include "reload/demo_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/file_status.h"

namespace quadrelume {
namespace {

namespace fs = std::filesystem;

// The files of a demo folder by their names, and those anywhere in or
// below it by their extensions (effects, textures and tracks may sit in
// subfolders).
constexpr std::string_view demoFileNames[] = {"time.txt", "demo.ogg", "sync.txt"};
constexpr std::string_view demoFileExtensions[] = {".ps", ".png", ".track"};

// Whether `inDemo`, relative to the demo folder, names a file the demo
// reads.
bool isDemoInput(const fs::path& inDemo) {
    if (inDemo.empty() || *inDemo.begin() == ".." || inDemo.is_absolute()) return false;
    const std::string name = inDemo.string();
    std::string extension = inDemo.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (std::string_view own : demoFileNames)
        if (name == own) return true;
    for (std::string_view own : demoFileExtensions)
        if (extension == own) return true;
    return false;
}

// `path` made absolute, with "." and ".." taken out as written.
fs::path lexical(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    return (error ? path : absolute).lexically_normal();
}

// `path` made absolute, with every link that exists followed.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path real = fs::weakly_canonical(lexical(path), error);
    return error ? lexical(path) : real;
}

using FileId = std::pair<std::uint64_t, std::uint64_t>;

FileId idOf(const platform::FileStamp& stamp) { return {stamp.device, stamp.inode}; }

// Looks in the folder `inDemo` of the demo folder `root` and below it for a
// demo file that is `target`. `visited` holds the folders seen so far (and
// those above the root), which are not entered again.
std::optional<std::string> findSameFile(const platform::FileStamp& target, const fs::path& root,
                                        const fs::path& inDemo, std::set<FileId>& visited) {
    std::error_code error;
    fs::directory_iterator entries(root / inDemo, fs::directory_options::skip_permission_denied, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::path name = inDemo / entries->path().filename();
        std::optional<platform::FileStamp> stamp = platform::fileStamp(entries->path().string());
        if (!stamp) continue;
        if (stamp->kind == platform::FileKind::folder) {
            if (!visited.insert(idOf(*stamp)).second) continue;
            if (std::optional<std::string> found = findSameFile(target, root, name, visited)) return found;
        } else if (stamp->sameFile(target) && isDemoInput(name)) {
            return name.string();
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> demoFileAt(const std::string& path, const std::string& demoFolder) {
    // By name, as written and with links followed: also a file not made yet,
    // such as the time.txt that an editing session waits for.
    for (const auto& [file, folder] : {std::pair{lexical(path), lexical(demoFolder)},
                                       std::pair{resolved(path), resolved(demoFolder)}}) {
        const fs::path inDemo = file.lexically_relative(folder);
        if (isDemoInput(inDemo)) return inDemo.string();
    }
    // By identity, wherever the path leads.
    std::optional<platform::FileStamp> target = platform::fileStamp(path);
    if (!target || target->kind != platform::FileKind::regular) return std::nullopt;
    const fs::path root = resolved(demoFolder);
    std::set<FileId> visited;
    for (fs::path above = root;; above = above.parent_path()) {
        if (std::optional<platform::FileStamp> stamp = platform::fileStamp(above.string())) visited.insert(idOf(*stamp));
        if (above == above.parent_path()) break;
    }
    return findSameFile(*target, root, {}, visited);
}

}  // namespace quadrelume
