// Links to a moment of a published demo: the fragment of the page's address
// says where the page starts, and whether it only shows that frame.
#pragma once

#include <cstdint>
#include <string_view>

namespace quadrelume {

// Where the page starts.
struct MomentLink {
    double start = 0.0;   // demo time of the first frame, in seconds
    // The same exactly, in nanoseconds, as the capture program reads its
    // --from (capture/frame_schedule.h): the page's frame at a moment is
    // drawn at the capture's time for it, to the last bit.
    std::int64_t startNanoseconds = 0;
    bool paused = false;  // draw that frame, hold it, make no sound
};

// Reads a fragment such as "t=12.5" or "t=12.5&paused" (without its "#"):
// items separated by "&", in any order; "t=S" sets the start to S seconds,
// a decimal number (a comma counts as a point, as in time.txt) from 0 up
// to 10,000,000; "paused" holds the frame. An item that is not one of these,
// or a time that does not read whole, counts for nothing: a link that
// cannot be read still plays the demo from its start.
MomentLink parseMomentLink(std::string_view fragment);

}  // namespace quadrelume
