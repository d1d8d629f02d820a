#include "overlay/buffers_panel.h"

#include <imgui.h>

#include <algorithm>
#include <cstdint>

#include "overlay/draw_list_renderer.h"
#include "overlay/overlay_style.h"
#include "render/buffer_set.h"

namespace quadrelume::overlay {

void BuffersPanel::build(const BufferSet* buffers, const std::string* note, float width, float height, float top) {
    if (buffers == nullptr || buffers->empty()) return;
    const std::vector<const RenderBuffer*> all = buffers->buffers();
    title_ = "Buffers (" + std::to_string(all.size()) + ")###buffers";
    ImGui::SetNextWindowPos(ImVec2(width - margin, top + margin), ImGuiCond_Always, ImVec2(1.0f, 0.0f));
    // As wide as a thumbnail and the room around it; what is longer wraps.
    const float panelWidth = thumbnailWidth + 2.0f * ImGui::GetStyle().WindowPadding.x;
    ImGui::SetNextWindowSizeConstraints(ImVec2(panelWidth, 0.0f),
                                        ImVec2(panelWidth, std::max(height - top - 2.0f * margin, 60.0f)));
    ImGui::SetNextWindowBgAlpha(0.6f);
    const bool open = ImGui::Begin(title_.c_str(), nullptr, fixedPanelFlags | ImGuiWindowFlags_AlwaysAutoResize);
    if (open) {
        ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + thumbnailWidth);
        if (note != nullptr && !note->empty()) ImGui::TextUnformatted(note->c_str());
        ImDrawList* list = ImGui::GetWindowDrawList();
        for (const RenderBuffer* buffer : all) {
            ImGui::TextUnformatted(buffer->name().c_str());
            ImGui::TextDisabled("%d x %d, %s, %.1f MB", buffer->width(), buffer->height(), formatName(buffer->format()),
                                static_cast<double>(buffer->bytes()) / (1024.0 * 1024.0));
            if (buffer->image() == 0) continue;
            const float aspect = buffer->width() > 0 ? static_cast<float>(buffer->height()) / buffer->width() : 0.0f;
            // GL's rows go up, ImGui's down: the image is shown upright.
            list->AddCallback(drawOpaque, nullptr);
            ImGui::Image(reinterpret_cast<ImTextureID>(static_cast<std::uintptr_t>(buffer->image())),
                         ImVec2(thumbnailWidth, thumbnailWidth * aspect), ImVec2(0.0f, 1.0f), ImVec2(1.0f, 0.0f));
            list->AddCallback(ImDrawCallback_ResetRenderState, nullptr);
        }
        ImGui::PopTextWrapPos();
    }
    ImGui::End();
}

}  // namespace quadrelume::overlay
