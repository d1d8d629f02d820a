#include "overlay/draw_list_renderer.h"

#include <imgui.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/fatal.h"

namespace quadrelume::overlay {
namespace {

constexpr const char* vertexSource =
    "uniform mat4 projection;\n"
    "attribute vec2 position;\n"
    "attribute vec2 uv;\n"
    "attribute vec4 colour;\n"
    "varying vec2 fragmentUv;\n"
    "varying vec4 fragmentColour;\n"
    "void main() {\n"
    "    fragmentUv = uv;\n"
    "    fragmentColour = colour;\n"
    "    gl_Position = projection * vec4(position, 0.0, 1.0);\n"
    "}\n";

constexpr const char* fragmentSource =
    "precision mediump float;\n"
    "uniform sampler2D atlas;\n"
    "varying vec2 fragmentUv;\n"
    "varying vec4 fragmentColour;\n"
    "void main() { gl_FragColor = fragmentColour * texture2D(atlas, fragmentUv); }\n";

GLuint compile(GLenum type, const char* source) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == 0) {
        char log[512] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        fatal(std::string("The overlay's shader did not compile: ") + log);
    }
    return shader;
}

// The GL state the renderer changes, as it was before.
struct SavedState {
    GLint program, arrayBuffer, elementBuffer, activeTexture, texture;
    GLint viewport[4], scissorBox[4];
    GLint blendSourceRgb, blendDestinationRgb, blendSourceAlpha, blendDestinationAlpha;
    GLint blendEquationRgb, blendEquationAlpha;
    GLboolean blend, cullFace, depthTest, scissorTest;

    SavedState() {
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
        glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
        glGetIntegerv(GL_BLEND_SRC_RGB, &blendSourceRgb);
        glGetIntegerv(GL_BLEND_DST_RGB, &blendDestinationRgb);
        glGetIntegerv(GL_BLEND_SRC_ALPHA, &blendSourceAlpha);
        glGetIntegerv(GL_BLEND_DST_ALPHA, &blendDestinationAlpha);
        glGetIntegerv(GL_BLEND_EQUATION_RGB, &blendEquationRgb);
        glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &blendEquationAlpha);
        blend = glIsEnabled(GL_BLEND);
        cullFace = glIsEnabled(GL_CULL_FACE);
        depthTest = glIsEnabled(GL_DEPTH_TEST);
        scissorTest = glIsEnabled(GL_SCISSOR_TEST);
    }

    void restore() const {
        glUseProgram(static_cast<GLuint>(program));
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(elementBuffer));
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
        glActiveTexture(static_cast<GLenum>(activeTexture));
        glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
        glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
        glBlendFuncSeparate(static_cast<GLenum>(blendSourceRgb), static_cast<GLenum>(blendDestinationRgb),
                            static_cast<GLenum>(blendSourceAlpha), static_cast<GLenum>(blendDestinationAlpha));
        glBlendEquationSeparate(static_cast<GLenum>(blendEquationRgb), static_cast<GLenum>(blendEquationAlpha));
        enable(GL_BLEND, blend);
        enable(GL_CULL_FACE, cullFace);
        enable(GL_DEPTH_TEST, depthTest);
        enable(GL_SCISSOR_TEST, scissorTest);
    }

    static void enable(GLenum capability, GLboolean on) {
        if (on) glEnable(capability);
        else glDisable(capability);
    }
};

}  // namespace

DrawListRenderer::DrawListRenderer() {
    GLuint vertex = compile(GL_VERTEX_SHADER, vertexSource);
    GLuint fragment = compile(GL_FRAGMENT_SHADER, fragmentSource);
    program_ = glCreateProgram();
    glAttachShader(program_, vertex);
    glAttachShader(program_, fragment);
    glLinkProgram(program_);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = 0;
    glGetProgramiv(program_, GL_LINK_STATUS, &linked);
    if (linked == 0) fatal("The overlay's shader program did not link");
    projection_ = glGetUniformLocation(program_, "projection");
    atlas_ = glGetUniformLocation(program_, "atlas");
    position_ = glGetAttribLocation(program_, "position");
    uv_ = glGetAttribLocation(program_, "uv");
    colour_ = glGetAttribLocation(program_, "colour");
    glGenBuffers(1, &vertexBuffer_);
    glGenBuffers(1, &indexBuffer_);

    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    ImGuiIO& io = ImGui::GetIO();
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGenTextures(1, &fontTexture_);
    glBindTexture(GL_TEXTURE_2D, fontTexture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // rows of RGBA bytes are always aligned
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(static_cast<std::uintptr_t>(fontTexture_)));
    io.BackendRendererName = "quadrelume GLES2";
    // A window's draw list may then hold any number of vertices: past what
    // 16-bit indices reach, its commands start further into it.
    io.BackendFlags |= ImGuiBackendFlags_RendererHasVtxOffset;
}

DrawListRenderer::~DrawListRenderer() {
    glDeleteTextures(1, &fontTexture_);
    glDeleteBuffers(1, &indexBuffer_);
    glDeleteBuffers(1, &vertexBuffer_);
    glDeleteProgram(program_);
}

void DrawListRenderer::render(const ImDrawData& data, int framebufferHeight) {
    const float width = data.DisplaySize.x;
    const float height = data.DisplaySize.y;
    if (data.CmdListsCount == 0 || width <= 0.0f || height <= 0.0f) return;
    const SavedState saved;

    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_SCISSOR_TEST);
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));

    // ImGui's pixels, y down, onto clip space, y up.
    const float left = data.DisplayPos.x;
    const float top = data.DisplayPos.y;
    const float projection[16] = {
        2.0f / width, 0.0f, 0.0f, 0.0f,  //
        0.0f, -2.0f / height, 0.0f, 0.0f,  //
        0.0f, 0.0f, -1.0f, 0.0f,  //
        -(2.0f * left + width) / width, (2.0f * top + height) / height, 0.0f, 1.0f,
    };
    glUseProgram(program_);
    glUniformMatrix4fv(projection_, 1, GL_FALSE, projection);
    glUniform1i(atlas_, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    const auto position = static_cast<GLuint>(position_);
    const auto uv = static_cast<GLuint>(uv_);
    const auto colour = static_cast<GLuint>(colour_);
    glEnableVertexAttribArray(position);
    glEnableVertexAttribArray(uv);
    glEnableVertexAttribArray(colour);
    constexpr GLsizei stride = sizeof(ImDrawVert);
    // The vertices from `first` on: ES 2.0 has no base vertex for the
    // indices, so a draw list of more vertices than 16-bit indices reach
    // points the attributes further into its buffer instead.
    auto pointAttributesAt = [&](unsigned first) {
        const std::size_t base = static_cast<std::size_t>(first) * sizeof(ImDrawVert);
        glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(base + offsetof(ImDrawVert, pos)));
        glVertexAttribPointer(uv, 2, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(base + offsetof(ImDrawVert, uv)));
        glVertexAttribPointer(colour, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                              reinterpret_cast<const void*>(base + offsetof(ImDrawVert, col)));
    };
    constexpr GLenum indexType = sizeof(ImDrawIdx) == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;

    for (int n = 0; n < data.CmdListsCount; ++n) {
        const ImDrawList& list = *data.CmdLists[n];
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(list.VtxBuffer.Size) * stride, list.VtxBuffer.Data,
                     GL_STREAM_DRAW);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(list.IdxBuffer.Size) * sizeof(ImDrawIdx),
                     list.IdxBuffer.Data, GL_STREAM_DRAW);
        unsigned pointedAt = 0;
        pointAttributesAt(pointedAt);
        for (const ImDrawCmd& command : list.CmdBuffer) {
            if (command.UserCallback != nullptr) {
                // Blending is the only state a callback of ours changes.
                if (command.UserCallback == ImDrawCallback_ResetRenderState) glEnable(GL_BLEND);
                else command.UserCallback(&list, &command);
                continue;
            }
            const float clipLeft = command.ClipRect.x - left;
            const float clipTop = command.ClipRect.y - top;
            const float clipRight = command.ClipRect.z - left;
            const float clipBottom = command.ClipRect.w - top;
            if (clipRight <= clipLeft || clipBottom <= clipTop) continue;
            glScissor(static_cast<GLint>(clipLeft), static_cast<GLint>(framebufferHeight - clipBottom),
                      static_cast<GLsizei>(clipRight - clipLeft), static_cast<GLsizei>(clipBottom - clipTop));
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(reinterpret_cast<std::uintptr_t>(command.GetTexID())));
            if (command.VtxOffset != pointedAt) pointAttributesAt(pointedAt = command.VtxOffset);
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(command.ElemCount), indexType,
                           reinterpret_cast<const void*>(command.IdxOffset * sizeof(ImDrawIdx)));
        }
    }
    glDisableVertexAttribArray(position);
    glDisableVertexAttribArray(uv);
    glDisableVertexAttribArray(colour);
    saved.restore();
}

void drawOpaque(const ImDrawList*, const ImDrawCmd*) { glDisable(GL_BLEND); }

}  // namespace quadrelume::overlay
