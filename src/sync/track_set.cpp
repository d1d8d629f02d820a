#include "sync/track_set.h"

#include "platform/fatal.h"
#include "sync/track_file.h"

namespace quadrelume::sync {
namespace {

SavedKeys* loadSavedKeys(ReloadableFileData* file) {
    auto saved = std::make_unique<SavedKeys>();
    std::string error;
    if (!isStandIn(*file) && !decodeTrackFile(file->text(), saved->keys, error))
        fatal("Error in " + file->path + ": " + error);
    return saved.release();
}

RowRate* loadRowRate(ReloadableFileData* file, void* trace) {
    auto rate = std::make_unique<RowRate>();
    std::string error;
    if (!isStandIn(*file) && !parseRowRate(file->text(), *rate, error)) fatal("Error in " + file->path + ": " + error);
    std::fprintf(static_cast<std::FILE*>(trace), "Rows per second:%f (bpm %g, rows-per-beat %g%s)\n",
                 rate->rowsPerSecond(), rate->beatsPerMinute, rate->rowsPerBeat,
                 isStandIn(*file) ? ", the defaults: there is no sync.txt" : "");
    return rate.release();
}

}  // namespace

Track::Track(std::string trackName, std::string file) : name(std::move(trackName)), fileName(std::move(file)) {}

std::span<const TrackKey> Track::keys() const {
    if (fromEditor_) return editorKeys_;
    if (saved_ != nullptr && saved_->object != nullptr) return saved_->object->keys;
    return {};
}

void Track::takeOverForEditor() {
    editorKeys_.clear();
    fromEditor_ = true;
}

Track* TrackSet::find(std::string_view name) const {
    auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : found->second;
}

Track* TrackSet::use(std::string_view name, std::string* problem) {
    if (Track* known = find(name)) {
        (buildingTimeline_ ? known->named_ : known->inUse_) = true;
        return known;
    }
    if (std::optional<std::string> why = trackNameProblem(name)) {
        if (problem != nullptr) *problem = *why;
        return nullptr;
    }
    std::unique_ptr<Track> track(new Track(std::string(name), trackFileName(name)));
    // Entered before its file is read: a fatal handler that unwinds out of
    // a failed read leaves the track known, without keys, as a failed build
    // in an editing session does.
    Track* added = track.get();
    (buildingTimeline_ ? added->named_ : added->inUse_) = true;
    tracks_.push_back(std::move(track));
    byName_.emplace(added->name, added);
    std::unique_ptr<ReloadableFileData> file = loadReloadableFileOrStandIn(added->fileName);
    const bool noFile = isStandIn(*file);
    Reloadable<SavedKeys>::Load load = loadSavedKeys;
    added->saved_ = std::make_unique<Reloadable<SavedKeys>>(load, std::move(file));
    if (noFile)
        std::fprintf(trace_, "Track:%s has no %s yet, so it is 0\n", added->name.c_str(), added->fileName.c_str());
    else
        std::fprintf(trace_, "Track:%s from %s, %zu keys\n", added->name.c_str(), added->fileName.c_str(),
                     added->keys().size());
    rowsPerSecond();  // sync.txt is read with the first track, not in the middle of a frame
    return added;
}

double TrackSet::rowsPerSecond() {
    if (rowRate_ == nullptr)
        rowRate_ = std::make_unique<Reloadable<RowRate>>(loadRowRate, trace_, loadReloadableFileOrStandIn(rowRateFile));
    return rowRate_->object != nullptr ? rowRate_->object->rowsPerSecond() : RowRate{}.rowsPerSecond();
}

void TrackSet::startTimeline() {
    for (const auto& track : tracks_) track->named_ = false;
    buildingTimeline_ = true;
}

void TrackSet::finishTimeline(bool built) {
    buildingTimeline_ = false;
    for (const auto& track : tracks_) {
        if (built) track->inUse_ = track->named_;
        track->named_ = false;
    }
}

std::string TrackSet::saveAll(std::size_t* saved) const {
    std::string failures;
    std::size_t count = 0;
    for (const auto& track : tracks_) {
        if (!track->inUse_) continue;
        std::string error;
        if (writeTrackFile(track->fileName, track->keys(), error)) ++count;
        else failures += track->fileName + ": " + error + "\n";
    }
    if (saved != nullptr) *saved = count;
    return failures;
}

void TrackSet::clear() {
    buildingTimeline_ = false;
    byName_.clear();
    tracks_.clear();
    rowRate_.reset();
}

TrackSet& trackSet() {
    static TrackSet* tracks = new TrackSet();
    return *tracks;
}

}  // namespace quadrelume::sync
