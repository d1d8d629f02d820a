// The buffers of one timeline and the order in which a frame draws and reads
// them: each is cleared before its first drawing range of the frame, and
// readers see this frame's image once every active range that draws it has
// drawn, the previous frame's before that.
#pragma once

#include <GLES2/gl2.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "render/buffer_history.h"
#include "render/render_buffer.h"

namespace quadrelume {

class EffectRange;

class BufferSet {
public:
    BufferSet() = default;
    BufferSet(const BufferSet&) = delete;
    BufferSet& operator=(const BufferSet&) = delete;

    // The buffer `name` of this timeline for a drawing line (number `line`,
    // from 0) that asks for `divisor`: made now with it when this is the
    // buffer's first line (a buffer that an earlier timeline of the process
    // holds at that size is taken over, image and all), else the one the
    // first line made. Null when the first line gave another divisor.
    RenderBuffer* declare(const std::string& name, int divisor, int line);

    // The divisor and the line (from 0) of buffer `name`'s first line; -1
    // for both when there is no such buffer.
    int divisorOf(std::string_view name) const;
    int lineOf(std::string_view name) const;

    // Takes in the timeline's effect ranges in file order, each with the
    // buffer it draws into (null for the screen, or a buffer of `declare`).
    // Neither is owned.
    void addEffect(const EffectRange* range, RenderBuffer* target);

    bool empty() const { return entries_.empty(); }

    // The frame at demo time `t` begins: every buffer takes the picture's
    // size (the shell's window size), the screen's framebuffer and viewport
    // are noted, and a buffer that no range active at `t` draws into is
    // empty for this frame. The screen is bound again afterwards.
    void beginFrame(float t);

    // Before a range draws into `target`: binds it, clearing it when this is
    // its first drawing range of the frame. False when it cannot be drawn
    // into; the range then draws nothing, and still calls endDrawing.
    bool beginDrawing(RenderBuffer& target);

    // After `range` drew into `target`: after the last active range that
    // draws it, readers see this frame's image. The screen's framebuffer and
    // viewport are bound again.
    void endDrawing(const EffectRange& range, RenderBuffer& target);

    // The image a sampler named `name` reads: that of the buffer of the name
    // (as endDrawing leaves it), or 0 when the timeline has no such buffer.
    GLuint imageNamed(std::string_view name) const;

    // Makes every buffer empty, as at the start: the demo starts over, or
    // a seek leaves the past behind.
    void clearAll();

    // For each buffer whose previous image some effect reads (a reader
    // before or at its last drawing line in the file, the drawing lines
    // themselves included), the spans of the ranges that draw it. Read from
    // the programs as they are now, since a shader's samplers change with
    // its saves. See catchUpFrameCount.
    std::vector<BufferWriters> historyWriters() const;

    // The buffers in the order of their first lines.
    std::vector<const RenderBuffer*> buffers() const;

    // A share in every buffer: while it is held, a timeline built after this
    // one is gone still takes over each buffer whose name and size it keeps.
    std::vector<std::shared_ptr<RenderBuffer>> share() const;

private:
    struct Entry {
        std::shared_ptr<RenderBuffer> buffer;
        int line = -1;                                 // the line that made it
        std::vector<const EffectRange*> writers;       // file order
        const EffectRange* lastActiveWriter = nullptr;  // in this frame
        bool drawn = false;                            // cleared and drawn into this frame
    };
    struct Effect {
        const EffectRange* range;
        RenderBuffer* target;
    };

    Entry* entryOf(const RenderBuffer& buffer);
    const Entry* entryNamed(std::string_view name) const;
    void bindScreen() const;

    std::vector<Entry> entries_;
    std::vector<Effect> effects_;  // file order
    GLint screenFramebuffer_ = 0;
    GLint screenViewport_[4] = {0, 0, 0, 0};
};

}  // namespace quadrelume
