#include "overlay/error_panel.h"

#include <imgui.h>

#include <algorithm>

#include "overlay/overlay_style.h"

namespace quadrelume::overlay {
namespace {

const ImVec4 panelColour{0.35f, 0.04f, 0.04f, 0.88f};
const ImVec4 fileColour{1.0f, 0.75f, 0.35f, 1.0f};
const ImVec4 lineColour{1.0f, 0.55f, 0.55f, 1.0f};

}  // namespace

const std::vector<Fault>& ErrorPanel::faults(const std::string& path, const std::string& message) {
    Parsed& entry = parsed_[path];
    if (entry.message != message || entry.faults.empty()) {
        entry.message = message;
        entry.faults = faultsOf(path, message);
    }
    return entry.faults;
}

void ErrorPanel::build(const std::map<std::string, std::string>& failures, float width, float height,
                       float bottom) {
    if (failures.empty()) {
        parsed_.clear();
        return;
    }
    const float panelWidth = std::max(width - 2.0f * margin, 1.0f);
    ImGui::SetNextWindowPos(ImVec2(margin, bottom - margin), ImGuiCond_Always, ImVec2(0.0f, 1.0f));
    ImGui::SetNextWindowSizeConstraints(ImVec2(panelWidth, 0.0f), ImVec2(panelWidth, std::max(height * 0.4f, 40.0f)));
    ImGui::PushStyleColor(ImGuiCol_WindowBg, panelColour);
    ImGui::Begin("##errors", nullptr,
                 fixedPanelFlags | ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_AlwaysAutoResize);
    ImGui::PushTextWrapPos(0.0f);
    for (const auto& [path, message] : failures) {
        ImGui::TextColored(fileColour, "%s does not build; the last good version stays", path.c_str());
        for (const Fault& fault : faults(path, message)) {
            if (fault.line > 0) {
                ImGui::TextColored(lineColour, "  line %d:", fault.line);
                ImGui::SameLine();
            } else {
                ImGui::TextUnformatted(" ");
                ImGui::SameLine();
            }
            ImGui::TextUnformatted(fault.text.c_str());
        }
    }
    ImGui::PopTextWrapPos();
    ImGui::End();
    ImGui::PopStyleColor();
}

}  // namespace quadrelume::overlay
