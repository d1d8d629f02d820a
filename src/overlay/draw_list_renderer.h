// Draws Dear ImGui's draw lists with OpenGL ES 2.0, in the player's own
// context, over whatever the frame already holds.
#pragma once

#include <GLES2/gl2.h>

struct ImDrawData;
struct ImDrawList;
struct ImDrawCmd;

namespace quadrelume::overlay {

// The GL objects of the overlay: a program, a vertex and an index buffer and
// the font atlas texture of the ImGui context current at construction.
// Everything it changes in GL's state it puts back after each render, so
// the demo's next frame starts from the state it left: the demo draws its
// quads from client memory and never sets the scissor, so a buffer binding
// or a scissor test left behind would corrupt it.
class DrawListRenderer {
public:
    // Needs the GL context current and an ImGui context with its fonts
    // added; builds the atlas and hands ImGui the texture's name.
    DrawListRenderer();
    // Deletes the GL objects; the context must still be current.
    ~DrawListRenderer();
    DrawListRenderer(const DrawListRenderer&) = delete;
    DrawListRenderer& operator=(const DrawListRenderer&) = delete;

    // Draws `data` over the current framebuffer of `framebufferHeight`
    // pixels, blended, clipped to each command's rectangle.
    void render(const ImDrawData& data, int framebufferHeight);

private:
    GLuint program_ = 0;
    GLuint vertexBuffer_ = 0;
    GLuint indexBuffer_ = 0;
    GLuint fontTexture_ = 0;
    GLint projection_ = -1;
    GLint atlas_ = -1;
    GLint position_ = -1;
    GLint uv_ = -1;
    GLint colour_ = -1;
};

// A draw-list callback for DrawListRenderer: what follows it is drawn
// without blending, alpha and all, until ImDrawCallback_ResetRenderState.
// For images whose alpha is no transparency (a buffer's often is 0).
void drawOpaque(const ImDrawList* list, const ImDrawCmd* command);

}  // namespace quadrelume::overlay
