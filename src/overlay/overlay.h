// The editing session's overlay: the time bar, the errors, the variables,
// the frame time, the buffers and the music's meters, drawn with Dear ImGui
// over the demo's frame.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "overlay/buffers_panel.h"
#include "overlay/error_panel.h"
#include "overlay/frame_meter.h"
#include "overlay/music_meters.h"
#include "overlay/pointer_input.h"
#include "overlay/time_bar.h"
#include "overlay/variables_panel.h"
#include "platform/display.h"

class Demo;
struct ImGuiContext;

namespace quadrelume::overlay {

class DrawListRenderer;

// What the overlay shows in one frame.
struct OverlayFrame {
    float time = 0.0f;           // the demo time of this frame
    bool paused = false;
    const Demo* demo = nullptr;  // the timeline that plays; null while none has built
    // The files that do not build, path to message; may be null for none.
    const std::map<std::string, std::string>* failures = nullptr;
    // What the last jump in time did to the buffers; may be null.
    const std::string* bufferNote = nullptr;
    double frameSeconds = 0.0;   // from the start of the previous frame to this one's
    int width = 0;               // the drawable size, pixels
    int height = 0;
};

class Overlay {
public:
    // Creates the overlay's own ImGui context (which writes no settings
    // file) and its GL objects; needs the GL context current. Starts shown.
    Overlay();
    ~Overlay();
    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

    bool shown() const { return shown_; }
    // Shows or hides the overlay from the next draw on.
    void setShown(bool shown);

    // Takes in a window event; only the pointer's are used.
    void take(const platform::WindowEvent& event) { pointer_.take(event); }

    // Draws the overlay over the frame drawn so far, leaving GL's state as it
    // found it (the buffers' images are only read). While hidden it makes no GL call and builds nothing, so the
    // frame is exactly the demo's. Answers the time the author picked on
    // the time bar, if any.
    std::optional<float> draw(const OverlayFrame& frame);

private:
    // Builds the frame time's panel; answers where its bottom edge is.
    float buildFramePanel(float width);

    ImGuiContext* context_ = nullptr;
    std::unique_ptr<DrawListRenderer> renderer_;
    PointerInput pointer_;
    TimeBar timeBar_;
    ErrorPanel errorPanel_;
    VariablesPanel variablesPanel_;
    BuffersPanel buffersPanel_;
    FrameMeter meter_;
    MusicMeters musicMeters_;
    bool shown_ = true;
};

}  // namespace quadrelume::overlay
