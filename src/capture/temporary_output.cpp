#include "capture/temporary_output.h"

#include <atomic>
#include <filesystem>
#include <stdexcept>

#include "platform/process_io.h"
#include "platform/replace_file.h"

namespace quadrelume::capture {
namespace {

namespace fs = std::filesystem;

// The temporary in progress. A plain array, not a std::string, so that a
// fatal report from any thread, or a signal handler, reads it without
// touching an object the main thread may be destroying; `registered` says
// whether it holds a whole path.
char currentPath[4096] = {};
std::atomic<bool> registered{false};
static_assert(std::atomic<bool>::is_always_lock_free, "read in a signal handler");

void setCurrent(const std::string& path) {
    registered.store(false);
    // A path too long for the copy (and for the system) is not registered:
    // a cut-off one could name something else.
    if (path.empty() || path.size() >= sizeof currentPath) return;
    path.copy(currentPath, path.size());
    currentPath[path.size()] = '\0';
    registered.store(true);
}

// ".<name>.<process id>.part", with `name` shortened where the whole would
// be longer than the folder's file system takes: the process id keeps it
// apart from other captures' all the same.
std::string hiddenName(const std::string& folder, const std::string& name) {
    return platform::temporaryName(folder, name, "." + std::to_string(platform::processId()) + ".part");
}

}  // namespace

TemporaryOutput::TemporaryOutput(const std::string& folder, const std::string& name, bool isFolder)
    : path_(folder + "/" + hiddenName(folder, name)), isFolder_(isFolder) {
    std::error_code error;
    fs::remove_all(path_, error);  // a leftover of an earlier process with our id
    if (isFolder_ && !fs::create_directory(path_, error))
        throw std::runtime_error("cannot create the folder " + path_ + ": " + error.message());
    setCurrent(path_);
}

TemporaryOutput::~TemporaryOutput() {
    if (!done_) abandon();
}

void TemporaryOutput::commit(const std::string& finalPath) {
    std::error_code error;
    if (!isFolder_) {
        fs::rename(path_, finalPath, error);
        if (error) throw std::runtime_error("cannot rename " + path_ + " to " + finalPath + ": " + error.message());
    } else {
        for (const fs::directory_entry& entry : fs::directory_iterator(path_)) {
            fs::path target = fs::path(finalPath) / entry.path().filename();
            fs::rename(entry.path(), target, error);
            if (error)
                throw std::runtime_error("cannot move " + entry.path().string() + " into " + finalPath + ": " +
                                         error.message());
        }
        fs::remove(path_, error);
    }
    done_ = true;
    setCurrent("");
}

void TemporaryOutput::abandon() {
    std::error_code error;
    fs::remove_all(path_, error);
    done_ = true;
    setCurrent("");
}

void abandonTemporaryOutput() {
    if (!registered.exchange(false)) return;
    platform::removeNow(currentPath);
}

}  // namespace quadrelume::capture
