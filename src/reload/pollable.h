// The registry of everything that can rebuild itself after its file changed.
#pragma once

#include <vector>

namespace quadrelume {

// Something that checks its file and rebuilds what it made from it.
class Pollable {
public:
    // Re-reads the file if it changed and rebuilds; otherwise does nothing.
    virtual void poll() = 0;

protected:
    ~Pollable() = default;  // holders are destroyed through their own type
};

// Every registered Pollable in registration order (duplicates allowed). The
// registry refers to its entries without owning them.
extern std::vector<Pollable*> pollables;

// Appends `pollable` to pollables.
void registerPollable(Pollable* pollable);

// Removes every entry equal to `pollable`, keeping the order of the rest.
void unregisterPollable(Pollable* pollable);

// Polls every entry in registration order. The count is read again before
// each step, so entries registered while polling (a reloaded timeline
// acquiring new shaders) are polled in the same pass.
void pollAll();

}  // namespace quadrelume
