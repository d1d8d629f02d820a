#include "shell/shell_state.h"

#include <cstring>

namespace quadrelume {

int running = 1;
char keyQueue[keyQueueCapacity];
int keyCount = 0;
int windowWidth = 0;
int windowHeight = 0;
bool timeKeysWanted = false;
TimeKeyPress timeKeyQueue[timeKeyQueueCapacity];
int timeKeyCount = 0;

void queueKey(char c) {
    if (keyCount >= keyQueueCapacity) return;
    keyQueue[keyCount++] = c;
}

char takeKey() {
    char first = keyQueue[0];
    std::memmove(keyQueue, keyQueue + 1, static_cast<std::size_t>(keyCount - 1));
    --keyCount;
    return first;
}

}  // namespace quadrelume
