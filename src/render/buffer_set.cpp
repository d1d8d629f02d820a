#include "render/buffer_set.h"

#include "render/effect_range.h"
#include "shell/shell_state.h"

namespace quadrelume {

const BufferSet::Entry* BufferSet::entryNamed(std::string_view name) const {
    for (const Entry& entry : entries_)
        if (entry.buffer->name() == name) return &entry;
    return nullptr;
}

BufferSet::Entry* BufferSet::entryOf(const RenderBuffer& buffer) {
    for (Entry& entry : entries_)
        if (entry.buffer.get() == &buffer) return &entry;
    return nullptr;
}

RenderBuffer* BufferSet::declare(const std::string& name, int divisor, int line) {
    if (const Entry* found = entryNamed(name))
        return found->buffer->divisor() == divisor ? found->buffer.get() : nullptr;
    Entry entry;
    entry.buffer = acquireRenderBuffer(name, divisor);
    entry.line = line;
    entries_.push_back(std::move(entry));
    return entries_.back().buffer.get();
}

int BufferSet::divisorOf(std::string_view name) const {
    const Entry* entry = entryNamed(name);
    return entry != nullptr ? entry->buffer->divisor() : -1;
}

int BufferSet::lineOf(std::string_view name) const {
    const Entry* entry = entryNamed(name);
    return entry != nullptr ? entry->line : -1;
}

void BufferSet::addEffect(const EffectRange* range, RenderBuffer* target) {
    effects_.push_back({range, target});
    if (target == nullptr) return;
    if (Entry* entry = entryOf(*target)) entry->writers.push_back(range);
}

void BufferSet::bindScreen() const {
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(screenFramebuffer_));
    glViewport(screenViewport_[0], screenViewport_[1], screenViewport_[2], screenViewport_[3]);
}

void BufferSet::beginFrame(float t) {
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &screenFramebuffer_);
    glGetIntegerv(GL_VIEWPORT, screenViewport_);
    bool moved = false;
    for (Entry& entry : entries_) {
        RenderBuffer& buffer = *entry.buffer;
        moved = buffer.fitTo(windowWidth, windowHeight) || moved;
        entry.drawn = false;
        entry.lastActiveWriter = nullptr;
        for (const EffectRange* writer : entry.writers)
            if (writer->isActiveAt(t)) entry.lastActiveWriter = writer;
        // Nothing draws it in this frame: it is cleared and stays so, for
        // the readers of this frame and of the next.
        if (entry.lastActiveWriter == nullptr && !buffer.empty()) {
            buffer.clear();
            moved = true;
        }
    }
    if (moved) bindScreen();
}

bool BufferSet::beginDrawing(RenderBuffer& target) {
    Entry* entry = entryOf(target);
    if (entry == nullptr || !target.usable()) return false;
    target.bindForDrawing(!entry->drawn);
    entry->drawn = true;
    return true;
}

void BufferSet::endDrawing(const EffectRange& range, RenderBuffer& target) {
    Entry* entry = entryOf(target);
    if (entry != nullptr && entry->lastActiveWriter == &range && entry->drawn) target.swap();
    bindScreen();
}

GLuint BufferSet::imageNamed(std::string_view name) const {
    const Entry* entry = entryNamed(name);
    return entry != nullptr ? entry->buffer->image() : 0;
}

void BufferSet::clearAll() {
    if (entries_.empty()) return;
    GLint framebuffer = 0;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (Entry& entry : entries_)
        if (!entry.buffer->empty()) entry.buffer->clear();
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

std::vector<BufferWriters> BufferSet::historyWriters() const {
    std::vector<BufferWriters> found;
    for (const Entry& entry : entries_) {
        if (entry.writers.empty()) continue;
        const EffectRange* lastWriter = entry.writers.back();
        bool readEarly = false;
        for (const Effect& effect : effects_) {
            if (effect.range->reads(entry.buffer->name())) {
                readEarly = true;
                break;
            }
            if (effect.range == lastWriter) break;
        }
        if (!readEarly) continue;
        BufferWriters spans;
        for (const EffectRange* writer : entry.writers) spans.push_back({writer->start, writer->end});
        found.push_back(std::move(spans));
    }
    return found;
}

std::vector<const RenderBuffer*> BufferSet::buffers() const {
    std::vector<const RenderBuffer*> all;
    for (const Entry& entry : entries_) all.push_back(entry.buffer.get());
    return all;
}

std::vector<std::shared_ptr<RenderBuffer>> BufferSet::share() const {
    std::vector<std::shared_ptr<RenderBuffer>> shares;
    for (const Entry& entry : entries_) shares.push_back(entry.buffer);
    return shares;
}

}  // namespace quadrelume
