// The script built-in track: the value of a sync track at the demo's row.
#pragma once

#include "script/program.h"
#include "script/tokop.h"

// track("NAME"): the value of the sync track NAME at the row the demo time
// is at (time x rows per second), as the editor or the track's saved file
// has its keys. A name not used before is taken into use here; anything
// but a text names no track and gives 0. The name counts as the built-in
// only where it is called, so "track" remains a usable variable name.
class track : public quadrelume::script::Bif {
public:
    constexpr track() : Bif("track", true) {}
    quadrelume::Value evaluate(quadrelume::Value& result, quadrelume::EvalContext& context, std::int32_t argCount,
                               quadrelume::Value* args) override;
};

// The instance entered in builtinList.
extern track trackBuiltin;

namespace quadrelume {

// Ends the build through fatal, as a syntax error does, when a quoted name
// in a call of track in `program` cannot name a track: 'track(""): a track
// needs a name'. Takes nothing into use, so that the loader can call it
// where the message gets the line's place, and read the track files (whose
// errors name the file, not the line) outside it.
void checkTrackNames(const script::Program& program);

// The tracks of a timeline being built, from its construction to its end:
// useTracksOf notes the tracks the new timeline names, and once it is
// marked built they are the tracks in use, the ones an editor is asked for
// and that are saved. A build that fails (fatal unwinding through it in an
// editing session) leaves the tracks of the timeline that plays in use.
class TimelineTracks {
public:
    TimelineTracks();
    ~TimelineTracks();
    TimelineTracks(const TimelineTracks&) = delete;
    TimelineTracks& operator=(const TimelineTracks&) = delete;

    // The timeline is whole and will play.
    void built() { built_ = true; }

private:
    bool built_ = false;
};

// Takes into use, in the order the program names them, the tracks named by
// a quoted name in the calls of track in `program`, so that a timeline's
// tracks are known (and their files read) as it loads rather than when
// their lines first play. A name that cannot name a track ends the build
// through fatal as checkTrackNames says.
void useTracksOf(const script::Program& program);

}  // namespace quadrelume
