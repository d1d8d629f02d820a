// The overlay's fold of the timeline's buffers: each with its size, format
// and a thumbnail of the image its readers see, and what the last jump in
// time did to them.
#pragma once

#include <string>

namespace quadrelume {
class BufferSet;
}

namespace quadrelume::overlay {

// The width of a thumbnail, pixels.
inline constexpr float thumbnailWidth = 160.0f;

class BuffersPanel {
public:
    // Builds, between NewFrame and Render, a panel at the right edge of a
    // display `width` x `height` pixels, from `top` down, when `buffers`
    // (may be null) has any: `note` (may be null or empty) first, then each
    // buffer with a thumbnail, drawn without blending, so that an image
    // whose alpha is 0 shows too. Its title bar folds it away. Reads the
    // buffers' textures only.
    void build(const BufferSet* buffers, const std::string* note, float width, float height, float top);

private:
    std::string title_;  // reused from frame to frame
};

}  // namespace quadrelume::overlay
