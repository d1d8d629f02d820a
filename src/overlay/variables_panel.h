// The overlay's panel of the script variables of this frame.
#pragma once

#include <string>

namespace quadrelume {
class VariableTable;
}

namespace quadrelume::overlay {

class VariablesPanel {
public:
    // Builds, between NewFrame and Render, a panel in the top-left corner of
    // a display `width` x `height` pixels listing every variable of
    // `variables` (null: none yet) in name order with its value as the
    // trace prints it, a name or value longer than the panel can show cut
    // short with "...". A long list scrolls inside the panel; its title bar
    // folds it away.
    void build(const VariableTable* variables, float width, float height);

private:
    std::string title_;  // reused from frame to frame
    std::string value_;
};

}  // namespace quadrelume::overlay
