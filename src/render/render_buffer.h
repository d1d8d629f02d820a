// A named image that effects draw into and read, as two textures of one
// size: readers sample the last complete image while the next one is drawn
// into the other (GLES2 cannot sample the texture it draws into).
#pragma once

#include <GLES2/gl2.h>

#include <cstddef>
#include <memory>
#include <string>

#include "render/buffer_format.h"

namespace quadrelume {

// The smallest and the largest divisor of a buffer's size: `glow/2` is half
// the picture, `glow/16` a sixteenth.
inline constexpr int smallestBufferDivisor = 1;
inline constexpr int largestBufferDivisor = 16;

class RenderBuffer {
public:
    // A buffer of the picture's size divided by `divisor` (1 to 16). Makes
    // no GL call: the images are made by the first fitTo.
    RenderBuffer(std::string name, int divisor);
    // Deletes the GL objects; the context must be current when there are any.
    ~RenderBuffer();
    RenderBuffer(const RenderBuffer&) = delete;
    RenderBuffer& operator=(const RenderBuffer&) = delete;

    const std::string& name() const { return name_; }
    int divisor() const { return divisor_; }
    int width() const { return width_; }    // pixels; 0 before the first fitTo
    int height() const { return height_; }
    BufferFormat format() const { return format_; }
    // Whether it can be drawn into: both framebuffers are complete.
    bool usable() const { return usable_; }
    // GPU memory of both images, bytes.
    std::size_t bytes() const;

    // The texture readers sample: the last complete image (0 before the
    // first fitTo). Linear filtering, clamped to the edge.
    GLuint image() const { return textures_[front_]; }

    // The size for a picture of `pictureWidth` x `pictureHeight` pixels:
    // divided by the divisor, rounded up, at least 1.
    static int sideFor(int pictureSide, int divisor);

    // Makes both images the size for that picture, transparent black, when
    // they are not that size yet. Answers whether it made them anew. Leaves
    // a framebuffer of its own bound when it did, and the viewport moved.
    bool fitTo(int pictureWidth, int pictureHeight);

    // Binds the framebuffer of the image being drawn and sets the viewport
    // over it; clears it to transparent black first when `clear`.
    void bindForDrawing(bool clear);

    // The image drawn becomes the one readers sample, and the other one is
    // drawn next.
    void swap() { front_ = 1 - front_; }

    // Makes both images transparent black, as new; leaves a framebuffer of
    // its own bound and the viewport moved.
    void clear();

    // Whether both images are transparent black, as made or cleared and not
    // drawn into since.
    bool empty() const { return empty_; }

private:
    void release();
    bool allocate(BufferFormat format);

    std::string name_;
    int divisor_;
    int width_ = 0;
    int height_ = 0;
    BufferFormat format_ = BufferFormat::halfFloat;
    bool usable_ = false;
    bool empty_ = true;
    int front_ = 0;
    GLuint textures_[2] = {0, 0};
    GLuint framebuffers_[2] = {0, 0};
};

// The buffer `name` of `divisor` that a timeline of this process already
// holds, so that a reloaded timeline draws on where the last one left off;
// else a new one. Buffers are shared, not cached: one lives while a
// timeline holds it.
std::shared_ptr<RenderBuffer> acquireRenderBuffer(const std::string& name, int divisor);

}  // namespace quadrelume
