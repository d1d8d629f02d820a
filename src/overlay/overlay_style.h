// What the overlay's panels share in looks and behaviour.
#pragma once

#include <imgui.h>

namespace quadrelume::overlay {

// Room between the panels and the window's edges, in pixels.
inline constexpr float margin = 8.0f;

// Panels stay where the layout puts them, keep nothing on disk, and never
// take the keyboard (the time keys must stay the session's).
inline constexpr ImGuiWindowFlags fixedPanelFlags = ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize |
                                                    ImGuiWindowFlags_NoSavedSettings |
                                                    ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;

}  // namespace quadrelume::overlay
