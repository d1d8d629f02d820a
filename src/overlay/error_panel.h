// The overlay's panel of what does not build.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "overlay/build_error.h"

namespace quadrelume::overlay {

class ErrorPanel {
public:
    // Builds, between NewFrame and Render, a panel across a display `width`
    // pixels wide whose bottom edge is at `bottom`, listing every file of
    // `failures` (path to message, as the build failures keep them) with the
    // line and text of each fault. Builds nothing when `failures` is empty,
    // so the panel goes in the frame where the last file builds again.
    void build(const std::map<std::string, std::string>& failures, float width, float height, float bottom);

private:
    struct Parsed {
        std::string message;
        std::vector<Fault> faults;
    };
    // Messages are cut into faults once, not in every frame.
    const std::vector<Fault>& faults(const std::string& path, const std::string& message);

    std::map<std::string, Parsed> parsed_;
};

}  // namespace quadrelume::overlay
