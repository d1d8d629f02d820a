#include "app/edit_view.h"

#include "app/window_procedure.h"
#include "reload/build_failure.h"
#include "shell/shell_state.h"

namespace quadrelume {
namespace {

EditView* liveView = nullptr;

// What the function keys do in the editing session.
struct FunctionKeyBinding {
    int key;
    void (*action)(overlay::Overlay& overlay);
};

constexpr FunctionKeyBinding functionKeyBindings[] = {
    {1, [](overlay::Overlay& overlay) { overlay.setShown(!overlay.shown()); }},
    {11, [](overlay::Overlay&) { platform::setFullScreen(!platform::isFullScreen()); }},
};

}  // namespace

EditView::EditView() { liveView = this; }

EditView::~EditView() {
    if (liveView == this) liveView = nullptr;
}

bool EditView::take(const platform::WindowEvent& event) {
    using Kind = platform::WindowEvent::Kind;
    switch (event.kind) {
        case Kind::functionKey:
            for (const FunctionKeyBinding& binding : functionKeyBindings)
                if (binding.key == event.functionKey) binding.action(overlay_);
            return true;
        case Kind::pointerButton:
        case Kind::wheel:
        case Kind::pointerLeave: overlay_.take(event); return true;
        case Kind::pointerMove: overlay_.take(event); return false;
        default: return false;
    }
}

std::optional<float> EditView::takeSeek() {
    std::optional<float> seek = seek_;
    seek_.reset();
    return seek;
}

void EditView::draw(float time, bool paused, const Demo* demo, const std::string& bufferNote) {
    const auto now = std::chrono::steady_clock::now();
    overlay::OverlayFrame frame;
    frame.time = time;
    frame.paused = paused;
    frame.demo = demo;
    frame.failures = &currentBuildFailures();
    frame.bufferNote = &bufferNote;
    frame.frameSeconds = lastFrame_ ? std::chrono::duration<double>(now - *lastFrame_).count() : 0.0;
    frame.width = windowWidth;
    frame.height = windowHeight;
    lastFrame_ = now;
    if (std::optional<float> picked = overlay_.draw(frame)) seek_ = picked;
}

void handleEditWindowEvent(const platform::WindowEvent& event) {
    if (liveView != nullptr && liveView->take(event)) return;
    handleWindowEvent(event);
}

}  // namespace quadrelume
