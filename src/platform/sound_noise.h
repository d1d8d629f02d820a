// Keeps the sound libraries' own chatter off standard error. On a machine
// without a sound card the audio back ends report every card, plug-in and
// server they fail to find; none of that is ours to show, and it would bury
// the program's own messages.
#pragma once

namespace quadrelume::platform {

// Replaces the ALSA library's error printer with one that prints nothing,
// for the rest of the process. Idempotent.
void silenceSoundLibraryErrors();

// While it lives, standard error (descriptor 2) points to /dev/null; the
// destructor, or an earlier restore(), points it back. Meant for the few
// library calls that probe for sound servers and print as they go: nothing
// else may need standard error meanwhile, since it is process-wide.
class MutedStandardError {
public:
    MutedStandardError();
    ~MutedStandardError();
    MutedStandardError(const MutedStandardError&) = delete;
    MutedStandardError& operator=(const MutedStandardError&) = delete;

    // Points standard error back at what it was; later calls do nothing.
    void restore();

private:
    int saved_ = -1;
};

}  // namespace quadrelume::platform
