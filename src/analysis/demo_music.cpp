#include "analysis/demo_music.h"

namespace quadrelume::analysis {

DemoMusic::DemoMusic(std::string path) : path_(std::move(path)) {
    setMusicFinder([](void* self) { return static_cast<DemoMusic*>(self)->current(); }, this);
}

DemoMusic::~DemoMusic() { setMusicFinder(nullptr, nullptr); }

MusicSource* DemoMusic::current() {
    if (holder_ == nullptr)
        holder_ = std::make_unique<Reloadable<MusicAnalysis>>(loadMusicAnalysis, loadReloadableFileOrStandIn(path_));
    return holder_->object;
}

}  // namespace quadrelume::analysis
