#include "platform/directory_watch.h"

#include <dirent.h>
#include <errno.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <optional>

namespace quadrelume::platform {
namespace {

// The events that signal. IN_MODIFY is not among them: it fires in the middle
// of a save, and reading a half-written shader would end the program with a
// compile error.
constexpr std::uint32_t fileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_ATTRIB;
// The events that only keep track of files being written.
constexpr std::uint32_t writeEvents = IN_MODIFY | IN_DELETE | IN_MOVED_FROM;
// No IN_DONT_FOLLOW: a symbolic link to a directory is watched as its target.
constexpr std::uint32_t watchMask = fileEvents | writeEvents | IN_CREATE | IN_ONLYDIR;

// Device and inode of what `path` names, following links.
std::optional<std::pair<std::uint64_t, std::uint64_t>> fileIdOf(const std::string& path, bool* isDirectory = nullptr) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    if (isDirectory != nullptr) *isDirectory = S_ISDIR(status.st_mode);
    return std::pair{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// Whether a directory entry may lead to a directory: one itself, or a link
// (or an entry of unknown type) that has to be followed to find out.
bool mayBeDirectory(const dirent* entry) {
    return entry->d_type == DT_DIR || entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN;
}

}  // namespace

DirectoryWatch::~DirectoryWatch() { close(); }

bool DirectoryWatch::start(const std::string& root) {
    close();
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return false;
    root_ = root;
    // Up from the root until ".." is the directory itself (at "/").
    std::optional<FileId> below = fileIdOf(root);
    for (std::string up = root + "/.."; below && up.size() < 4096; up += "/..") {
        std::optional<FileId> id = fileIdOf(up);
        if (!id || id == below) break;
        ancestors_.insert(*id);
        below = id;
    }
    // Subdirectories present at start are watched silently: nothing under
    // them has changed yet as far as the caller knows.
    std::set<FileId> visited;
    watchDirectory(root, false, visited);
    if (directories_.empty()) {
        close();
        return false;
    }
    signalled_ = false;
    broken_ = false;
    return true;
}

void DirectoryWatch::watchDirectory(const std::string& path, bool scanForEntries, std::set<FileId>& visited) {
    bool isDirectory = false;
    std::optional<FileId> id = fileIdOf(path, &isDirectory);
    // Each directory once per walk, however many links lead to it, and never
    // an ancestor of the root: that is what keeps links from looping.
    if (!id || !isDirectory || ancestors_.count(*id) || !visited.insert(*id).second) return;
    // A directory already watched gives its old descriptor back; it is walked
    // again all the same, since a rescan has to find what is new below it.
    int wd = inotify_add_watch(fd_, path.c_str(), watchMask);
    if (wd < 0) return;  // out of watches: that part of the tree goes unwatched
    directories_[wd] = path;
    watchTree(path, scanForEntries, visited);
}

void DirectoryWatch::watchTree(const std::string& directory, bool scanForEntries, std::set<FileId>& visited) {
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        if (scanForEntries) signalled_ = true;
        if (mayBeDirectory(entry)) watchDirectory(directory + "/" + entry->d_name, scanForEntries, visited);
    }
    closedir(dir);
}

void DirectoryWatch::rescan() {
    // Lost events may include the close of a file being written, which would
    // otherwise hold it back for good; what is still being written shows up
    // again with its next write.
    beingWritten_.clear();
    movedWhileWritten_.clear();
    std::set<FileId> visited;
    watchDirectory(root_, false, visited);
    signalled_ = true;  // events were lost; assume anything changed
}

void DirectoryWatch::handleFileEvent(int wd, std::uint32_t mask, std::uint32_t cookie, const std::string& name) {
    Entry entry{wd, name};
    if (mask & IN_MODIFY) beingWritten_.insert(entry);
    if (mask & (IN_CLOSE_WRITE | IN_DELETE)) beingWritten_.erase(entry);
    if ((mask & IN_MOVED_FROM) && beingWritten_.erase(entry) > 0) movedWhileWritten_.insert(cookie);
    if (mask & IN_MOVED_TO) {
        // The file that had this name is gone; the one moved in is tracked
        // only if it was being written under its old name.
        beingWritten_.erase(entry);
        if (movedWhileWritten_.erase(cookie) > 0) beingWritten_.insert(entry);
    }
    if (mask & (IN_CREATE | IN_MOVED_TO)) {
        // Perhaps a new link to a directory.
        std::set<FileId> visited;
        watchDirectory(directories_[wd] + "/" + name, true, visited);
    }
    if (mask & fileEvents) signalled_ = true;
}

void DirectoryWatch::drain() {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        ssize_t length = read(fd_, buffer, sizeof buffer);
        if (length < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN) broken_ = true;
            return;
        }
        if (length == 0) return;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                rescan();
                continue;
            }
            if (event->mask & IN_IGNORED) {
                directories_.erase(event->wd);
                std::erase_if(beingWritten_, [&](const Entry& entry) { return entry.first == event->wd; });
                continue;
            }
            auto parent = directories_.find(event->wd);
            if (parent == directories_.end() || event->len == 0) continue;
            std::string name = event->name;
            if (!(event->mask & IN_ISDIR)) {
                handleFileEvent(event->wd, event->mask, event->cookie, name);
            } else if (event->mask & (IN_CREATE | IN_MOVED_TO)) {
                std::set<FileId> visited;
                watchDirectory(parent->second + "/" + name, true, visited);
            }
        }
    }
}

DirectoryWatch::State DirectoryWatch::test() {
    if (fd_ < 0) return State::failed;
    pollfd waiting{fd_, POLLIN, 0};
    int ready = poll(&waiting, 1, 0);
    if (ready < 0 && errno != EINTR) broken_ = true;
    if (ready > 0) {
        if (waiting.revents & (POLLERR | POLLNVAL)) broken_ = true;
        else drain();
    }
    if (broken_) return State::failed;
    return signalled_ ? State::signalled : State::timeout;
}

bool DirectoryWatch::rearm() {
    if (fd_ < 0) return false;
    drain();
    signalled_ = false;
    if (broken_) {
        close();
        return false;
    }
    return true;
}

bool DirectoryWatch::isBeingWritten(const std::string& path) {
    if (fd_ < 0) return false;
    drain();
    if (beingWritten_.empty()) return false;
    // Compared by identity, since the watch and the caller may spell the same
    // file differently (through a link, "./" or not).
    std::optional<FileId> target = fileIdOf(path);
    if (!target) return false;
    for (const auto& [wd, name] : beingWritten_) {
        auto directory = directories_.find(wd);
        if (directory != directories_.end() && fileIdOf(directory->second + "/" + name) == target) return true;
    }
    return false;
}

void DirectoryWatch::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    root_.clear();
    ancestors_.clear();
    directories_.clear();
    beingWritten_.clear();
    movedWhileWritten_.clear();
    signalled_ = false;
}

}  // namespace quadrelume::platform
