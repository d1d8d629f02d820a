#include "platform/directory_watch.h"

#include <dirent.h>
#include <errno.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>

namespace quadrelume::platform {
namespace {

// IN_MODIFY is left out on purpose: it fires in the middle of a save, and
// reading a half-written shader would end the program with a compile error.
constexpr std::uint32_t fileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_ATTRIB;
constexpr std::uint32_t watchMask = fileEvents | IN_CREATE | IN_ONLYDIR;

bool isDirectoryEntry(const std::string& parent, const dirent* entry) {
    if (entry->d_type == DT_DIR) return true;
    if (entry->d_type != DT_UNKNOWN) return false;
    DIR* probe = opendir((parent + "/" + entry->d_name).c_str());
    if (probe == nullptr) return false;
    closedir(probe);
    return true;
}

}  // namespace

DirectoryWatch::~DirectoryWatch() { close(); }

bool DirectoryWatch::start(const std::string& root) {
    close();
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return false;
    int wd = inotify_add_watch(fd_, root.c_str(), watchMask);
    if (wd < 0) {
        close();
        return false;
    }
    directories_[wd] = root;
    signalled_ = false;
    broken_ = false;
    // Subdirectories present at start are watched silently: nothing under
    // them has changed yet as far as the caller knows.
    watchTree(root, false);
    return true;
}

void DirectoryWatch::watchTree(const std::string& directory, bool scanForEntries) {
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        if (scanForEntries) signalled_ = true;
        if (!isDirectoryEntry(directory, entry)) continue;
        std::string path = directory + "/" + entry->d_name;
        // IN_ONLYDIR with IN_DONT_FOLLOW keeps symbolic links to directories
        // (and so loops) out of the watch.
        int wd = inotify_add_watch(fd_, path.c_str(), watchMask | IN_DONT_FOLLOW);
        if (wd < 0) continue;  // out of watches: that part of the tree goes unwatched
        directories_[wd] = path;
        watchTree(path, scanForEntries);
    }
    closedir(dir);
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
                signalled_ = true;  // events were lost; assume anything changed
                continue;
            }
            if (event->mask & IN_IGNORED) {
                directories_.erase(event->wd);
                continue;
            }
            auto parent = directories_.find(event->wd);
            if (parent == directories_.end()) continue;
            bool isDirectory = (event->mask & IN_ISDIR) != 0;
            if (isDirectory && (event->mask & (IN_CREATE | IN_MOVED_TO)) && event->len > 0) {
                std::string path = parent->second + "/" + event->name;
                int wd = inotify_add_watch(fd_, path.c_str(), watchMask | IN_DONT_FOLLOW);
                if (wd >= 0) {
                    directories_[wd] = path;
                    watchTree(path, true);
                }
                continue;
            }
            if (!isDirectory && (event->mask & fileEvents)) signalled_ = true;
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

void DirectoryWatch::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    directories_.clear();
    signalled_ = false;
}

}  // namespace quadrelume::platform
