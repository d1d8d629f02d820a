#include "render/texture_cache.h"

namespace quadrelume {
namespace {

// Never destroyed, like the program cache: its holders may be polled until
// the end, and there is nothing to gain from deleting textures at exit.
TextureCache& cache() {
    static TextureCache* textures = new TextureCache();
    return *textures;
}

}  // namespace

Reloadable<Texture>* acquireTexture(std::string_view uniformName) {
    // The file name is formed in a buffer that keeps its capacity, so that
    // the per-frame lookup of a cached texture allocates nothing.
    static std::string fileName;
    fileName.assign(uniformName);
    fileName += ".png";
    if (auto found = cache().find(fileName); found != cache().end()) return found->second;
    std::unique_ptr<ReloadableFileData> file = loadReloadableFile(fileName);
    if (file == nullptr) return nullptr;
    auto* holder = new Reloadable<Texture>(loadTexture, std::move(file));
    cache().emplace(fileName, holder);
    return holder;
}

const TextureCache& textureCache() { return cache(); }

}  // namespace quadrelume
