// Running the real player in a demo folder under a private X server.
#pragma once

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"
#include "support/x_server.h"

namespace quadrelume::testing {

inline void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Starts the player binary in `folder` on `x` with `environment` added.
inline std::unique_ptr<Process> startPlayer(XServer& x, const std::string& folder,
                                            std::map<std::string, std::string> environment = {}) {
    environment["DISPLAY"] = x.name();
    return std::make_unique<Process>(std::vector<std::string>{QUADRELUME_PLAYER}, folder, environment);
}

// Waits up to `seconds` for `needle` to appear in the player's standard
// output at or after `from`; gives its position or npos.
inline std::size_t waitForOutput(const Process& player, const std::string& needle, double seconds,
                                 std::size_t from = 0) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        std::size_t at = player.output().find(needle, from);
        if (at != std::string::npos || std::chrono::steady_clock::now() > deadline) return at;
        pause(20);
    }
}

// The demo times of the frame traces ("----------------- t") in `output`,
// in order.
inline std::vector<double> frameTimes(const std::string& output) {
    const std::string marker = "----------------- ";
    std::vector<double> times;
    for (std::size_t at = output.find(marker); at != std::string::npos; at = output.find(marker, at + 1)) {
        times.push_back(std::strtod(output.c_str() + at + marker.size(), nullptr));
    }
    return times;
}

// A place where the traced demo time fell: the last time before and the first
// after.
struct Restart {
    double before;
    double after;
};

// Every fall of the demo time in `times`, in order.
inline std::vector<Restart> restartsIn(const std::vector<double>& times) {
    std::vector<Restart> found;
    for (std::size_t i = 1; i < times.size(); ++i) {
        if (times[i] < times[i - 1]) found.push_back({times[i - 1], times[i]});
    }
    return found;
}

// Whether two 0xRRGGBB colours differ by at most `tolerance` in each channel.
inline bool coloursNear(unsigned a, unsigned b, int tolerance = 3) {
    for (int shift : {0, 8, 16}) {
        int d = static_cast<int>((a >> shift) & 255) - static_cast<int>((b >> shift) & 255);
        if (std::abs(d) > tolerance) return false;
    }
    return true;
}

// Waits up to `seconds` for the centre of the screen to show `colour` (as
// coloursNear has it); gives the last colour seen.
inline unsigned waitForCentreColour(XServer& x, unsigned colour, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        unsigned seen = x.pixel(x.width() / 2, x.height() / 2);
        if (coloursNear(seen, colour) || std::chrono::steady_clock::now() > deadline) return seen;
        pause(30);
    }
}

}  // namespace quadrelume::testing
