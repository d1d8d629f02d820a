#include "render/render_buffer.h"

#include <GLES2/gl2ext.h>

#include <cstdio>
#include <map>

namespace quadrelume {
namespace {

// The buffers that timelines hold, by name; an entry expires with the last
// timeline that holds its buffer.
std::map<std::string, std::weak_ptr<RenderBuffer>>& sharedBuffers() {
    static auto* buffers = new std::map<std::string, std::weak_ptr<RenderBuffer>>();
    return *buffers;
}

GLenum pixelType(BufferFormat format) {
    return format == BufferFormat::halfFloat ? GL_HALF_FLOAT_OES : GL_UNSIGNED_BYTE;
}

}  // namespace

RenderBuffer::RenderBuffer(std::string name, int divisor) : name_(std::move(name)), divisor_(divisor) {}

RenderBuffer::~RenderBuffer() { release(); }

void RenderBuffer::release() {
    if (textures_[0] == 0) return;
    glDeleteFramebuffers(2, framebuffers_);
    glDeleteTextures(2, textures_);
    framebuffers_[0] = framebuffers_[1] = 0;
    textures_[0] = textures_[1] = 0;
}

std::size_t RenderBuffer::bytes() const {
    return 2 * static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) *
           static_cast<std::size_t>(bytesPerPixel(format_));
}

int RenderBuffer::sideFor(int pictureSide, int divisor) {
    const int side = (pictureSide + divisor - 1) / divisor;
    return side < 1 ? 1 : side;
}

bool RenderBuffer::allocate(BufferFormat format) {
    format_ = format;
    if (textures_[0] == 0) {
        glGenTextures(2, textures_);
        glGenFramebuffers(2, framebuffers_);
    }
    // Making the images binds them; the unit's own texture goes back after.
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    bool complete = true;
    for (int i = 0; i < 2; ++i) {
        glBindTexture(GL_TEXTURE_2D, textures_[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width_, height_, 0, GL_RGBA, pixelType(format), nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffers_[i]);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, textures_[i], 0);
        complete = complete && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return complete;
}

bool RenderBuffer::fitTo(int pictureWidth, int pictureHeight) {
    const int width = sideFor(pictureWidth, divisor_);
    const int height = sideFor(pictureHeight, divisor_);
    if (textures_[0] != 0 && width == width_ && height == height_) return false;
    width_ = width;
    height_ = height;
    usable_ = allocate(bufferFormat());
    if (!usable_ && format_ == BufferFormat::halfFloat) {
        fallBackToEightBits("a framebuffer of half floats is not complete on this GL");
        usable_ = allocate(BufferFormat::rgba8);
    }
    // Said once: a GL that cannot draw into one buffer cannot draw into the
    // next either, and a message per buffer and size would bury the rest.
    static bool reportedUnusable = false;
    if (!usable_ && !reportedUnusable) {
        reportedUnusable = true;
        std::fflush(stdout);
        std::fprintf(stderr, "quadrelume: the buffer %s cannot be drawn into at %d x %d on this GL, so what draws "
                             "into it draws nothing\n",
                     name_.c_str(), width_, height_);
    }
    clear();
    return true;
}

void RenderBuffer::bindForDrawing(bool clearFirst) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffers_[1 - front_]);
    glViewport(0, 0, width_, height_);
    if (clearFirst) {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    empty_ = false;
}

void RenderBuffer::clear() {
    empty_ = true;
    if (!usable_) return;
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glViewport(0, 0, width_, height_);
    for (GLuint framebuffer : framebuffers_) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glClear(GL_COLOR_BUFFER_BIT);
    }
}

std::shared_ptr<RenderBuffer> acquireRenderBuffer(const std::string& name, int divisor) {
    std::weak_ptr<RenderBuffer>& entry = sharedBuffers()[name];
    std::shared_ptr<RenderBuffer> buffer = entry.lock();
    if (buffer && buffer->divisor() == divisor) return buffer;
    buffer = std::make_shared<RenderBuffer>(name, divisor);
    entry = buffer;
    return buffer;
}

}  // namespace quadrelume
