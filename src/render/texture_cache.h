// The process-wide cache of PNG textures that sampler uniforms use, loaded on
// first use and reloaded through polling when their file is saved.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "reload/reloadable.h"
#include "render/texture.h"

namespace quadrelume {

// The holder of the texture for the sampler uniform `uniformName`, whose
// file is the name followed by ".png" in the current directory. A name not
// yet cached has its file read and decoded now, and the new holder registers
// itself for polling; it stays cached even when the image was unusable (the
// holder then holds no Texture until a save makes one). Null, with nothing
// cached, when the file cannot be read. Allocates nothing once cached.
Reloadable<Texture>* acquireTexture(std::string_view uniformName);

// The texture cache by file name. Entries are never removed and live until
// the process ends.
using TextureCache = std::map<std::string, Reloadable<Texture>*, std::less<>>;
const TextureCache& textureCache();

}  // namespace quadrelume
