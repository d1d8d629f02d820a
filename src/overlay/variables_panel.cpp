#include "overlay/variables_panel.h"

#include <imgui.h>

#include <algorithm>
#include <iterator>

#include "overlay/overlay_style.h"
#include "script/value.h"
#include "script/variable_table.h"

namespace quadrelume::overlay {
namespace {

// Far more characters than the panel, at most 40% of the widest screen,
// shows of a name or a value: Dear ImGui lays out and reserves room for
// every character of a line, and a list of thousands of numbers is one.
constexpr std::size_t longestText = 400;

// `text` cut short to longestText characters, ending in "...".
void cutShort(std::string& text) {
    if (text.size() <= longestText) return;
    text.resize(longestText - 3);
    text += "...";
}

}  // namespace

void VariablesPanel::build(const VariableTable* variables, float width, float height) {
    const std::size_t count = variables != nullptr ? variables->size() : 0;
    title_ = "Variables (" + std::to_string(count) + ")###variables";
    ImGui::SetNextWindowPos(ImVec2(margin, margin), ImGuiCond_Always);
    ImGui::SetNextWindowSizeConstraints(ImVec2(std::min(200.0f, width), 0.0f),
                                        ImVec2(std::max(width * 0.4f, 200.0f), std::max(height * 0.45f, 60.0f)));
    ImGui::SetNextWindowBgAlpha(0.6f);
    const bool open = ImGui::Begin(title_.c_str(), nullptr,
                                   fixedPanelFlags | ImGuiWindowFlags_AlwaysAutoResize);
    if (open && count > 0 &&
        ImGui::BeginTable("##values", 2, ImGuiTableFlags_SizingFixedFit | ImGuiTableFlags_RowBg)) {
        // Only the rows in sight are formatted: a long list costs what the
        // panel shows, not what the table holds.
        ImGuiListClipper clipper;
        clipper.Begin(static_cast<int>(count));
        auto entry = variables->begin();
        int at = 0;
        while (clipper.Step()) {
            std::advance(entry, clipper.DisplayStart - at);
            at = clipper.DisplayStart;
            for (; at < clipper.DisplayEnd; ++at, ++entry) {
                ImGui::TableNextRow();
                ImGui::TableNextColumn();
                value_ = entry->first;
                cutShort(value_);
                ImGui::TextUnformatted(value_.data(), value_.data() + value_.size());
                ImGui::TableNextColumn();
                value_.clear();
                appendText(value_, entry->second);
                cutShort(value_);
                ImGui::TextUnformatted(value_.data(), value_.data() + value_.size());
            }
        }
        ImGui::EndTable();
    }
    ImGui::End();
}

}  // namespace quadrelume::overlay
