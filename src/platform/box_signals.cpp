#include "platform/box_signals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <initializer_list>

namespace quadrelume::platform {
namespace {

// The process that shows the box; 0 until then. Read in forked children.
volatile pid_t boxOwner = 0;

// Exits with the code of fatal's exit(-1), without the exit handlers: the
// signal may come in the middle of anything.
void endNow(int) { _exit(-1); }

// Runs in the child of every fork. Once a box is on its way, the child is
// the box's (or something made while it shows) and must not outlive the
// process that owns it.
void tieChildToBoxOwner() {
    if (boxOwner == 0) return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // An owner that ended before the line above sends no signal.
    if (getppid() != boxOwner) _exit(-1);
}

}  // namespace

void endOnSignalsDuringBox() {
    if (boxOwner == 0) pthread_atfork(nullptr, nullptr, tieChildToBoxOwner);
    boxOwner = getpid();
    struct sigaction end {};
    end.sa_handler = endNow;
    sigemptyset(&end.sa_mask);
    for (int signal : {SIGTERM, SIGINT}) {
        sigaction(signal, &end, nullptr);
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, signal);
        pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    }
}

}  // namespace quadrelume::platform
