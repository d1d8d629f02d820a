// Notices writes anywhere under a directory tree without ever blocking.
#pragma once

#include <string>
#include <unordered_map>

namespace quadrelume::platform {

// Watches a directory and every directory below it, including directories
// created while the watch runs. It signals after a file is written and
// closed, renamed into place (an editor's write-to-temporary-then-rename
// save), or has its times changed; a new directory that already holds
// entries when it is found signals too, since their writes may have happened
// before the new directory could be watched.
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

    // Ends the watch. Safe to call more than once.
    void close();

    bool active() const { return fd_ >= 0; }

private:
    void drain();
    void watchTree(const std::string& directory, bool scanForEntries);

    int fd_ = -1;
    bool signalled_ = false;
    bool broken_ = false;
    std::unordered_map<int, std::string> directories_;
};

}  // namespace quadrelume::platform
