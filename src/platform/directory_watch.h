// Notices writes anywhere under a directory tree without ever blocking.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>

namespace quadrelume::platform {

// Watches a directory and every directory below it, including directories
// created while the watch runs and directories reached through symbolic links
// (their targets may lie outside the tree). It signals after a file is written
// and closed, renamed into place (an editor's write-to-temporary-then-rename
// save), or has its times changed; a new directory that already holds entries
// when it is found signals too, since their writes may have happened before
// the new directory could be watched. When the kernel drops events because
// too many came at once, the tree is scanned again for directories not yet
// watched, and the watch signals, since anything may have changed.
//
// It also keeps track of the files that have been written to and not yet
// closed by their writer (isBeingWritten), without signalling for them.
//
// Use: start once; test once per frame; after a signal, rearm and then look
// at the files; close at exit. Not thread-safe.
class DirectoryWatch {
public:
    enum class State { signalled, timeout, failed };

    DirectoryWatch() = default;
    DirectoryWatch(const DirectoryWatch&) = delete;
    DirectoryWatch& operator=(const DirectoryWatch&) = delete;
    ~DirectoryWatch();

    // Starts watching `root` and its subdirectories. False when the watch
    // cannot be set up at all; the watch is then inactive.
    bool start(const std::string& root);

    // Tests, without waiting, whether anything was written since the last
    // rearm (or since start). `failed` when the watch is inactive or broken.
    State test();

    // Clears the signal so that only later writes raise it again. False when
    // the watch broke; it is then inactive.
    bool rearm();

    // Whether the file at `path` (any spelling: relative, absolute, through a
    // link) has been written to under the watched tree by a writer that has
    // not closed it yet, so that its contents may be half of a save. Takes in
    // the events that are waiting first, without losing a signal. Files whose
    // events were dropped by the kernel count as closed. False when the watch
    // is inactive or the file cannot be queried.
    bool isBeingWritten(const std::string& path);

    // Ends the watch. Safe to call more than once.
    void close();

    bool active() const { return fd_ >= 0; }

private:
    // Device and inode: one directory or file, however its path is spelled.
    using FileId = std::pair<std::uint64_t, std::uint64_t>;
    // A watched directory's watch descriptor and an entry name inside it.
    using Entry = std::pair<int, std::string>;

    void drain();
    void handleFileEvent(int wd, std::uint32_t mask, std::uint32_t cookie, const std::string& name);
    void rescan();
    void watchDirectory(const std::string& path, bool scanForEntries, std::set<FileId>& visited);
    void watchTree(const std::string& directory, bool scanForEntries, std::set<FileId>& visited);

    int fd_ = -1;
    bool signalled_ = false;
    bool broken_ = false;
    std::string root_;
    // The root's ancestors: a link to one of them would take in the whole
    // tree above the root, root included.
    std::set<FileId> ancestors_;
    std::unordered_map<int, std::string> directories_;
    // Files written to since their last close, by where they were written.
    std::set<Entry> beingWritten_;
    // Rename cookies of files moved away while being written, so that the
    // name they are moved to is tracked in their place.
    std::set<std::uint32_t> movedWhileWritten_;
};

}  // namespace quadrelume::platform
