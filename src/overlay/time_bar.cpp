#include "overlay/time_bar.h"

#include <imgui.h>

#include <algorithm>

#include "overlay/overlay_style.h"
#include "timeline/demo.h"

namespace quadrelume::overlay {
namespace {

constexpr float barHeight = 16.0f;    // the span of the whole timeline
constexpr float lanesHeight = 20.0f;  // below it, one lane per active range
constexpr float laneGap = 2.0f;
constexpr std::size_t labelLength = 28;  // of an action in the active list
// The active list stops well past what a line of the widest screen shows:
// Dear ImGui lays out and reserves room for every character of a line.
constexpr std::size_t activeListLength = 1000;
constexpr ImU32 barBackground = IM_COL32(40, 40, 48, 255);
constexpr ImU32 playedPart = IM_COL32(75, 85, 120, 255);
constexpr ImU32 effectLane = IM_COL32(90, 150, 255, 230);
constexpr ImU32 expressionLane = IM_COL32(120, 210, 120, 230);
constexpr ImU32 markColour = IM_COL32(190, 190, 200, 150);
constexpr ImU32 activeMarkColour = IM_COL32(255, 255, 255, 255);
constexpr ImU32 cursorColour = IM_COL32(255, 210, 80, 255);

bool isEffect(const TimeRange& range) { return !range.action.empty() && range.action[0] == '#'; }

// What a pixel column of the bar shows: no line starts there, only lines
// that are not active, or an active one.
enum Mark : unsigned char { noMark, inactiveMark, activeMark };

}  // namespace

float timeAtPosition(float x, float left, float width, float endTime) {
    if (!(width > 0.0f) || !(endTime > 0.0f)) return 0.0f;
    return std::clamp((x - left) / width, 0.0f, 1.0f) * endTime;
}

std::optional<float> TimeBar::build(const TimeBarView& view, float width, float height) {
    const float endTime = view.demo != nullptr ? view.demo->endTime : 0.0f;
    ImGui::SetNextWindowPos(ImVec2(margin, height - margin), ImGuiCond_Always, ImVec2(0.0f, 1.0f));
    ImGui::SetNextWindowSize(ImVec2(std::max(width - 2.0f * margin, 1.0f), 0.0f));
    ImGui::SetNextWindowBgAlpha(0.7f);
    ImGui::Begin("##time bar", nullptr, fixedPanelFlags | ImGuiWindowFlags_NoTitleBar);
    top_ = ImGui::GetWindowPos().y;

    ImGui::Text("%s %8.3f / %.3f s", view.paused ? "paused " : "playing", view.time, endTime);
    // The active ranges by their line (as editors count) and the start of
    // their action.
    active_.clear();
    int activeCount = 0;
    int unlisted = 0;
    if (view.demo != nullptr) {
        for (const auto& range : view.demo->ranges) {
            if (!range->isActiveAt(view.time)) continue;
            ++activeCount;
            if (active_.size() >= activeListLength) {
                ++unlisted;
                continue;
            }
            active_ += active_.empty() ? "active:  " : "   ";
            active_ += std::to_string(range->line + 1);
            active_ += ' ';
            if (range->action.size() <= labelLength) {
                active_ += range->action;
            } else {
                active_.append(range->action, 0, labelLength - 3);
                active_ += "...";
            }
        }
    }
    if (unlisted > 0) active_ += "   and " + std::to_string(unlisted) + " more";
    ImGui::SameLine(0.0f, 24.0f);
    ImGui::TextUnformatted(active_.empty() ? "nothing active" : active_.c_str());

    // The bar and its lanes are one place to click or drag.
    const float barWidth = std::max(ImGui::GetContentRegionAvail().x, 1.0f);
    ImGui::InvisibleButton("##bar", ImVec2(barWidth, barHeight + laneGap + lanesHeight));
    const ImVec2 low = ImGui::GetItemRectMin();
    const ImVec2 high = ImGui::GetItemRectMax();
    const ImGuiIO& io = ImGui::GetIO();
    std::optional<float> seek;
    if (endTime > 0.0f && ImGui::IsItemActive() && (ImGui::IsItemActivated() || io.MouseDelta.x != 0.0f))
        seek = timeAtPosition(io.MousePos.x, low.x, barWidth, endTime);
    if (endTime > 0.0f && ImGui::IsItemHovered())
        ImGui::SetTooltip("%.3f s", timeAtPosition(io.MousePos.x, low.x, barWidth, endTime));

    ImDrawList& draw = *ImGui::GetWindowDrawList();
    const float barBottom = low.y + barHeight;
    draw.AddRectFilled(low, ImVec2(high.x, barBottom), barBackground);
    if (endTime > 0.0f && view.demo != nullptr) {
        auto xOf = [&](float t) { return low.x + std::clamp(t / endTime, 0.0f, 1.0f) * barWidth; };
        draw.AddRectFilled(low, ImVec2(xOf(view.time), barBottom), playedPart);
        // A mark at each line's start, whole for an active line's: one per
        // pixel column, and one rectangle for a run of columns alike, so
        // that a timeline of any length draws no more than the bar is wide.
        marks_.assign(static_cast<std::size_t>(barWidth) + 1, noMark);
        for (const auto& range : view.demo->ranges) {
            const float x = xOf(range->start) - low.x;
            if (!(x >= 0.0f)) continue;  // a start that is not a number has no place
            const std::size_t column = std::min(static_cast<std::size_t>(x), marks_.size() - 1);
            const Mark mark = range->isActiveAt(view.time) ? activeMark : inactiveMark;
            marks_[column] = std::max(marks_[column], static_cast<unsigned char>(mark));
        }
        for (std::size_t column = 0; column < marks_.size();) {
            const unsigned char mark = marks_[column];
            std::size_t end = column + 1;
            while (end < marks_.size() && marks_[end] == mark) ++end;
            if (mark != noMark)
                draw.AddRectFilled(ImVec2(low.x + static_cast<float>(column), low.y),
                                   ImVec2(low.x + static_cast<float>(end),
                                          mark == activeMark ? barBottom : low.y + barHeight * 0.5f),
                                   mark == activeMark ? activeMarkColour : markColour);
            column = end;
        }
        // Each active range's span in a lane of its own, in file order.
        const float laneHeight =
            activeCount > 0 ? std::clamp(lanesHeight / static_cast<float>(activeCount), 1.0f, 4.0f) : 0.0f;
        float laneTop = barBottom + laneGap;
        for (const auto& range : view.demo->ranges) {
            if (!range->isActiveAt(view.time) || laneTop >= high.y) continue;
            draw.AddRectFilled(ImVec2(xOf(range->start), laneTop),
                               ImVec2(std::max(xOf(range->end), xOf(range->start) + 1.0f),
                                      std::min(laneTop + laneHeight - (laneHeight > 2.0f ? 1.0f : 0.0f), high.y)),
                               isEffect(*range) ? effectLane : expressionLane);
            laneTop += laneHeight;
        }
        const float cursor = xOf(view.time);
        draw.AddLine(ImVec2(cursor, low.y - 2.0f), ImVec2(cursor, high.y), cursorColour, 2.0f);
    }
    ImGui::End();
    return seek;
}

}  // namespace quadrelume::overlay
