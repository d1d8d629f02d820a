#include "overlay/overlay.h"

#include <imgui.h>

#include <algorithm>

#include "overlay/draw_list_renderer.h"
#include "overlay/overlay_style.h"
#include "timeline/demo.h"

namespace quadrelume::overlay {
namespace {

// Keeps ImGui's current context the overlay's while one lives.
class CurrentContext {
public:
    explicit CurrentContext(ImGuiContext* context) : previous_(ImGui::GetCurrentContext()) {
        ImGui::SetCurrentContext(context);
    }
    ~CurrentContext() { ImGui::SetCurrentContext(previous_); }
    CurrentContext(const CurrentContext&) = delete;
    CurrentContext& operator=(const CurrentContext&) = delete;

private:
    ImGuiContext* previous_;
};

}  // namespace

Overlay::Overlay() : context_(ImGui::CreateContext()) {
    CurrentContext current(context_);
    ImGuiIO& io = ImGui::GetIO();
    // The working directory is the demo's folder, which is watched: a
    // settings or log file written there would count as a save.
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui::GetStyle().WindowRounding = 3.0f;
    renderer_ = std::make_unique<DrawListRenderer>();
}

Overlay::~Overlay() {
    {
        CurrentContext current(context_);
        renderer_.reset();
    }
    ImGui::DestroyContext(context_);
}

void Overlay::setShown(bool shown) {
    if (shown && !shown_) pointer_.reset();  // a press made while hidden is not the overlay's
    shown_ = shown;
}

float Overlay::buildFramePanel(float width) {
    ImGui::SetNextWindowPos(ImVec2(width - margin, margin), ImGuiCond_Always, ImVec2(1.0f, 0.0f));
    ImGui::SetNextWindowBgAlpha(0.6f);
    ImGui::Begin("##frame", nullptr,
                 fixedPanelFlags | ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_AlwaysAutoResize |
                     ImGuiWindowFlags_NoInputs);
    if (meter_.milliseconds() > 0.0)
        ImGui::Text("%6.2f ms  %5.1f fps", meter_.milliseconds(), meter_.framesPerSecond());
    else
        ImGui::TextUnformatted("  --- ms    --- fps");
    const float bottom = ImGui::GetWindowPos().y + ImGui::GetWindowSize().y;
    ImGui::End();
    return bottom;
}

std::optional<float> Overlay::draw(const OverlayFrame& frame) {
    meter_.addFrame(frame.frameSeconds);
    if (!shown_ || frame.width <= 0 || frame.height <= 0) return std::nullopt;
    CurrentContext current(context_);
    ImGuiIO& io = ImGui::GetIO();
    const auto width = static_cast<float>(frame.width);
    const auto height = static_cast<float>(frame.height);
    io.DisplaySize = ImVec2(width, height);
    // ImGui needs a positive step; a long pause (while hidden) is not one
    // frame's worth of animation.
    io.DeltaTime = static_cast<float>(std::clamp(frame.frameSeconds, 1e-4, 0.1));
    pointer_.applyTo(io);

    ImGui::NewFrame();
    std::optional<float> seek = timeBar_.build({frame.time, frame.paused, frame.demo}, width, height);
    if (frame.failures != nullptr) errorPanel_.build(*frame.failures, width, height, timeBar_.top());
    variablesPanel_.build(frame.demo != nullptr ? &frame.demo->variables : nullptr, width, height);
    // Down the right edge: the frame time, the music's fold, the buffers.
    const float musicBottom = musicMeters_.build(frame.time, width, buildFramePanel(width));
    // The buffers' panel ends above the time bar.
    buffersPanel_.build(frame.demo != nullptr ? &frame.demo->buffers : nullptr, frame.bufferNote, width,
                        timeBar_.top(), musicBottom);
    ImGui::Render();
    renderer_->render(*ImGui::GetDrawData(), frame.height);
    return seek;
}

}  // namespace quadrelume::overlay
