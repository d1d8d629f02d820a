// A holder that owns an object built from a file and rebuilds it when the
// file changes.
#pragma once

#include <memory>

#include "reload/build_failure.h"
#include "reload/file_data.h"
#include "reload/pollable.h"

namespace quadrelume {

template <typename T>
class Reloadable final : public Pollable {
public:
    // Builds T from the file; may give null (the holder then holds nothing
    // until the file changes and the builder succeeds).
    using Load = T* (*)(ReloadableFileData* file);
    using LoadWithContext = T* (*)(ReloadableFileData* file, void* context);

    // Builds the object at once with `builder` and registers the holder.
    // When keeping the last good object, a build that fails leaves the
    // holder empty, registered all the same, so that a fixing save builds.
    Reloadable(Load builder, std::unique_ptr<ReloadableFileData> watched)
        : load(builder), file(std::move(watched)) {
        attemptBuild(file->path, [this] { return (object = build()) != nullptr; });
        registerPollable(this);
    }

    // As above, for a builder that needs `builderContext` (not owned).
    Reloadable(LoadWithContext builder, void* builderContext, std::unique_ptr<ReloadableFileData> watched)
        : loadWithContext(builder), context(builderContext), file(std::move(watched)) {
        attemptBuild(file->path, [this] { return (object = build()) != nullptr; });
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
    // from the new contents. Otherwise the object stays as it is. When
    // keeping the last good object, the new one is built first and replaces
    // the old one only if the build succeeded and gave an object.
    void poll() override {
        if (!file->reloadIfChanged()) return;
        if (buildFailurePolicy() == BuildFailurePolicy::endProcess) {
            delete object;
            object = nullptr;
            object = build();
            return;
        }
        T* built = nullptr;
        if (!attemptBuild(file->path, [&] { return (built = build()) != nullptr; })) return;
        delete object;
        object = built;
    }

    Load load = nullptr;
    LoadWithContext loadWithContext = nullptr;
    void* context = nullptr;
    T* object = nullptr;
    std::unique_ptr<ReloadableFileData> file;

private:
    // Something other than a regular file in the file's place is refused as
    // a build that fails, naming it.
    T* build() {
        requireRegularFile(*file);
        return load != nullptr ? load(file.get()) : loadWithContext(file.get(), context);
    }
};

}  // namespace quadrelume
