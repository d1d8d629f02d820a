// PNG images as OpenGL ES 2.0 textures, rebuilt when their file is saved.
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>

#include "reload/file_data.h"
#include "render/texture_image.h"

namespace quadrelume {

// A GL texture made from one PNG file. Owns the texture object: a reload
// replaces the Texture and with it the GPU memory of the old image.
struct Texture {
    Texture() = default;
    // Deletes the GL texture.
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    GLuint glName = 0;          // from glGenTextures
    std::int32_t width = 0;     // pixels
    std::int32_t height = 0;    // pixels
    bool hasAlpha = false;      // grey-with-alpha and RGBA images
};

// A new texture holding `image`: linear filtering, no mipmaps, GL's default
// wrap modes. Leaves it bound to GL_TEXTURE_2D on the active unit and the
// unpack alignment at 1.
Texture* uploadTexture(const TextureImage& image);

// The load function of every Reloadable<Texture>: decodes the file
// (decodeTextureImage, with its messages and fatal cases) and uploads it.
// Null when the image cannot be used.
Texture* loadTexture(ReloadableFileData* file);

}  // namespace quadrelume
