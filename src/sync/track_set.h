// The sync tracks a demo uses, in the order of their first use, with the
// keys each plays from, and the row rate of the demo folder.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "reload/reloadable.h"
#include "sync/row_rate.h"
#include "sync/track.h"

namespace quadrelume::sync {

// What the holder of a track file builds from it.
struct SavedKeys {
    std::vector<TrackKey> keys;
};

// One track. Its keys come from its saved file (reloaded when the file is
// saved) until an editor takes it over; from then on they are the editor's,
// also while the editor is away.
class Track {
public:
    const std::string name;
    const std::string fileName;  // trackFileName(name), relative to the demo folder

    // The keys in force; none while there is no file and no editor.
    std::span<const TrackKey> keys() const;

    // The track's value at the fractional row `row` (see trackValue).
    float valueAt(double row) const { return trackValue(keys(), row); }

    // Lets the editor's keys be in force from now on, starting with none.
    void takeOverForEditor();
    bool editorHasIt() const { return fromEditor_; }

    // The editor's keys, for the client to change.
    std::vector<TrackKey>& editorKeys() { return editorKeys_; }

    // Whether the timeline that plays uses the track (see TrackSet). A
    // track it no longer uses, one whose name the author was still typing
    // say, is not asked of an editor and not saved.
    bool inUse() const { return inUse_; }

private:
    friend class TrackSet;
    Track(std::string trackName, std::string file);

    std::unique_ptr<Reloadable<SavedKeys>> saved_;
    std::vector<TrackKey> editorKeys_;
    bool fromEditor_ = false;
    bool inUse_ = false;
    bool named_ = false;  // named by the timeline being built
};

class TrackSet {
public:
    // `trace` receives a line per track taken into use and per build of the
    // row rate (standard output in the program).
    explicit TrackSet(std::FILE* trace = stdout) : trace_(trace) {}
    TrackSet(const TrackSet&) = delete;
    TrackSet& operator=(const TrackSet&) = delete;

    // The track named `name`, or null when it was never used. Allocates
    // nothing.
    Track* find(std::string_view name) const;

    // The track named `name`, taken into use now if this is its first use:
    // its file is read and watched, a line goes to the trace, and it gets
    // the next index. A file that is not a good track file is a failed build
    // (ended through fatal, or the last good keys in an editing session).
    // Null, with the reason in *problem, when the name cannot name a track.
    // The track is in use from now on; while a timeline is being built, it
    // is instead noted as one that timeline uses (see startTimeline).
    Track* use(std::string_view name, std::string* problem = nullptr);

    // A timeline is being built: until finishTimeline, use() notes the
    // tracks that timeline names instead of putting them in use, so that
    // a build that fails half way changes nothing. One at a time.
    void startTimeline();

    // The timeline built (`built`) and plays from now on: the tracks it
    // named are the ones in use, and no others (a track used by name at run
    // time, track(n), comes into use again when it runs). Not built: the
    // tracks in use stay as they were.
    void finishTimeline(bool built);

    // The tracks in order of first use; a track's index is its position.
    std::size_t size() const { return tracks_.size(); }
    Track& operator[](std::size_t index) const { return *tracks_[index]; }

    // Rows per second from sync.txt, which is read at the first call and
    // reloaded when saved; the default rate while it is missing (or has not
    // built in an editing session).
    double rowsPerSecond();

    // Writes the keys in force of every track in use to its file in the
    // current directory, each in one atomic step, and counts them into
    // *saved. Gives the failures, one line each ("<file>: <reason>"); empty
    // when every file was written.
    std::string saveAll(std::size_t* saved = nullptr) const;

    // Forgets every track and the row rate (tests and fuzzers start afresh).
    void clear();

    // Redirects the trace (tests, fuzzers).
    void setTrace(std::FILE* trace) { trace_ = trace; }

private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };

    std::FILE* trace_;
    std::vector<std::unique_ptr<Track>> tracks_;
    std::unordered_map<std::string, Track*, NameHash, std::equal_to<>> byName_;
    std::unique_ptr<Reloadable<RowRate>> rowRate_;
    bool buildingTimeline_ = false;
};

// The tracks of the demo this process plays. Never destroyed, like the other
// caches of things loaded from the demo folder: holders may be polled until
// the end.
TrackSet& trackSet();

}  // namespace quadrelume::sync
