#include "reload/pollable.h"

#include <algorithm>

namespace quadrelume {

std::vector<Pollable*> pollables;

void registerPollable(Pollable* pollable) { pollables.push_back(pollable); }

void unregisterPollable(Pollable* pollable) {
    pollables.erase(std::remove(pollables.begin(), pollables.end(), pollable), pollables.end());
}

void pollAll() {
    for (std::size_t i = 0; i < pollables.size(); ++i) pollables[i]->poll();
}

}  // namespace quadrelume
