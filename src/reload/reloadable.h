// A holder that owns an object built from a file and rebuilds it when the
// file changes.
#pragma once

#include <memory>

#include "reload/file_data.h"
#include "reload/pollable.h"

namespace quadrelume {

template <typename T>
class Reloadable : public Pollable {
public:
    // Builds T from the file; may give null (the holder then holds nothing
    // until the file changes and the builder succeeds).
    using Load = T* (*)(ReloadableFileData* file);
    using LoadWithContext = T* (*)(ReloadableFileData* file, void* context);

    // Builds the object at once with `builder` and registers the holder.
    Reloadable(Load builder, std::unique_ptr<ReloadableFileData> watched)
        : load(builder), file(std::move(watched)) {
        object = load(file.get());
        registerPollable(this);
    }

    // As above, for a builder that needs `builderContext` (not owned).
    Reloadable(LoadWithContext builder, void* builderContext, std::unique_ptr<ReloadableFileData> watched)
        : loadWithContext(builder), context(builderContext), file(std::move(watched)) {
        object = loadWithContext(file.get(), context);
        registerPollable(this);
    }

    Reloadable(const Reloadable&) = delete;
    Reloadable& operator=(const Reloadable&) = delete;

    // Leaves the registry, then destroys the object.
    ~Reloadable() {
        unregisterPollable(this);
        delete object;
    }

    // When the file was re-read, destroys the object and builds a new one
    // from the new contents. Otherwise the object stays as it is.
    void poll() override {
        if (!file->reloadIfChanged()) return;
        delete object;
        object = nullptr;
        object = load != nullptr ? load(file.get()) : loadWithContext(file.get(), context);
    }

    Load load = nullptr;
    LoadWithContext loadWithContext = nullptr;
    void* context = nullptr;
    T* object = nullptr;
    std::unique_ptr<ReloadableFileData> file;
};

}  // namespace quadrelume
