#include "overlay/music_meters.h"

#include <imgui.h>

#include <array>
#include <cstdio>

#include "analysis/music_source.h"
#include "overlay/overlay_style.h"

namespace quadrelume::overlay {
namespace {

constexpr std::array<const char*, analysis::bandCount> bandNames = {"low", "low-mid", "high-mid", "high"};
constexpr float meterWidth = 140.0f;

void meter(const char* name, float value) {
    char shown[16];
    std::snprintf(shown, sizeof shown, "%.2f", value);
    ImGui::ProgressBar(value, ImVec2(meterWidth, 0.0f), shown);
    ImGui::SameLine();
    ImGui::TextUnformatted(name);
}

}  // namespace

float MusicMeters::build(float t, float width, float top) {
    ImGui::SetNextWindowPos(ImVec2(width - margin, top + margin), ImGuiCond_Always, ImVec2(1.0f, 0.0f));
    ImGui::SetNextWindowCollapsed(true, ImGuiCond_Once);
    ImGui::SetNextWindowBgAlpha(0.6f);
    const bool open = ImGui::Begin("Music###music", nullptr, fixedPanelFlags | ImGuiWindowFlags_AlwaysAutoResize);
    if (open) {
        if (analysis::currentMusic() == nullptr) {
            ImGui::TextUnformatted("no music");
        } else {
            const std::array<float, analysis::bandCount> bands = analysis::currentBands(t);
            for (int band = 0; band < analysis::bandCount; ++band) meter(bandNames[band], bands[band]);
            meter("level", analysis::currentLevel(t));
        }
    }
    const float bottom = ImGui::GetWindowPos().y + ImGui::GetWindowSize().y;
    ImGui::End();
    return bottom;
}

}  // namespace quadrelume::overlay
