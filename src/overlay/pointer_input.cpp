#include "overlay/pointer_input.h"

#include <imgui.h>

#include <cfloat>

namespace quadrelume::overlay {

void PointerInput::take(const platform::WindowEvent& event) {
    using Kind = platform::WindowEvent::Kind;
    switch (event.kind) {
        case Kind::pointerMove:
            known_ = true;
            x_ = static_cast<float>(event.x);
            y_ = static_cast<float>(event.y);
            break;
        case Kind::pointerButton: {
            known_ = true;
            x_ = static_cast<float>(event.x);
            y_ = static_cast<float>(event.y);
            const int button = static_cast<int>(event.button);
            down_[button] = event.pressed;
            if (event.pressed) pressedSinceFrame_[button] = true;
            break;
        }
        case Kind::wheel:
            wheelX_ += event.wheelX;
            wheelY_ += event.wheelY;
            break;
        case Kind::pointerLeave: known_ = false; break;
        default: break;
    }
}

void PointerInput::applyTo(ImGuiIO& io) {
    io.MousePos = known_ ? ImVec2(x_, y_) : ImVec2(-FLT_MAX, -FLT_MAX);
    for (int i = 0; i < buttonCount; ++i) {
        io.MouseDown[i] = down_[i] || pressedSinceFrame_[i];
        pressedSinceFrame_[i] = false;
    }
    io.MouseWheel = wheelY_;
    io.MouseWheelH = wheelX_;
    wheelX_ = 0.0f;
    wheelY_ = 0.0f;
}

void PointerInput::reset() {
    for (int i = 0; i < buttonCount; ++i) down_[i] = pressedSinceFrame_[i] = false;
    wheelX_ = 0.0f;
    wheelY_ = 0.0f;
}

}  // namespace quadrelume::overlay
