// The demo's part of every frame and the clock it plays on.
#pragma once

#include <memory>

#include "clock/time_source.h"
#include "reload/file_data.h"
#include "timeline/demo.h"

namespace quadrelume {

// Renders `demo` at `t`; once `t` lies past the demo's end time, sets the
// clock back to 0 so that the demo (and its music) starts again on the next
// frame, with its buffers empty as at the start. The frame past the end has
// been drawn by then.
void playTimeline(Demo& demo, TimeSource& clock, float t);

// Edit mode's part of every frame: as playTimeline, for the timeline that
// last built (null while none has: nothing is drawn). An empty timeline (end
// time 0) lets the clock run on, rather than restarting it, and its music,
// in every frame while the author writes the first lines.
void playEditedTimeline(Demo* demo, TimeSource& clock, float t);

// The demo's clock and, for the music clock, the file it plays from.
struct DemoClock {
    // Declared first so that it goes last: the music clock reads it until
    // its stream is closed.
    std::unique_ptr<FileData> music;
    std::unique_ptr<TimeSource> clock;
};

// Who the clock is for.
enum class ClockUse {
    // The plain player: without a usable sound output the PortAudio report
    // ends the process.
    player,
    // An editing session: without a usable sound output the timer clock
    // plays, and standard error says once why there is no music; the output
    // latency is low, so that a seek is heard about as soon as it shows.
    editing,
};

// The music clock playing `musicPath` (read whole into memory) when that file
// can be read, else the millisecond timer clock starting at 0. A music file
// that cannot be played, or is not a regular file, ends the process with its
// message; without a usable
// sound output, `use` decides.
DemoClock chooseClock(const char* musicPath, ClockUse use = ClockUse::player);

}  // namespace quadrelume
