#include "render/texture.h"

namespace quadrelume {

Texture::~Texture() { glDeleteTextures(1, &glName); }

Texture* uploadTexture(const TextureImage& image) {
    auto* texture = new Texture();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glGenTextures(1, &texture->glName);
    texture->width = image.width;
    texture->height = image.height;
    texture->hasAlpha = image.hasAlpha;
    glBindTexture(GL_TEXTURE_2D, texture->glName);
    const auto format = static_cast<GLenum>(image.format);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), image.width, image.height, 0, format,
                 GL_UNSIGNED_BYTE, image.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}

Texture* loadTexture(ReloadableFileData* file) {
    std::optional<TextureImage> image = decodeTextureImage(*file);
    return image ? uploadTexture(*image) : nullptr;
}

}  // namespace quadrelume
