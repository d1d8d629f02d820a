#include "platform/display_watch.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <thread>

namespace quadrelume::platform {
namespace {

std::atomic<bool> ending{false};
thread_local bool endingHere = false;

[[noreturn]] void reportAndExit() {
    std::fflush(stdout);
    std::fputs("Lost the connection to the display\n", stderr);
    std::fflush(stderr);
    _exit(-1);
}

void watch(int fd, void (*const* stop)(), std::atomic<bool>* started) {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    started->store(true);  // the starter's variable: not touched from here on
    // Only the hang-up is asked for: the socket's own data belongs to Xlib.
    pollfd connection{fd, POLLRDHUP, 0};
    for (;;) {
        connection.revents = 0;
        if (poll(&connection, 1, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (connection.revents & POLLNVAL) return;
        if (connection.revents & (POLLHUP | POLLERR | POLLRDHUP)) endForLostDisplay(*stop);
    }
}

}  // namespace

void endForLostDisplay(void (*stop)()) {
    if (endingHere) reportAndExit();
    if (ending.exchange(true)) {
        for (;;) pause();  // the thread that came first ends the process
    }
    endingHere = true;
    if (stop != nullptr) stop();
    reportAndExit();
}

void watchDisplayConnection(int fd, void (*const* stop)()) {
    // An error box forks the process, and a fork copies whatever locks a
    // thread holds at that moment; one caught while it was still being set
    // up (by the C library or a sanitizer runtime) could leave the box's
    // process waiting for ever. Waiting in poll, the watcher holds none.
    std::atomic<bool> started{false};
    std::thread(watch, fd, stop, &started).detach();
    while (!started.load()) std::this_thread::yield();
}

}  // namespace quadrelume::platform
