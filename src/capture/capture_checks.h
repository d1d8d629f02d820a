// What a capture refuses before it renders or writes anything (exit code 2).
#pragma once

#include <string>

#include "capture/capture_options.h"
#include "capture/output_target.h"

namespace quadrelume::capture {

// What is wrong with `options` for `target` at `quality` that can be told
// before the demo is read: an output folder that does not exist or cannot
// be written, a quality outside the target's scale, a video size the
// encoders do not take (odd, or too large), a missing demo folder. Empty
// when nothing is.
std::string outputRefusal(const CaptureOptions& options, const OutputTarget& target, int quality);

// What is wrong with --trace FILE (paths relative to the current
// directory): one of the demo's own files (see demoFileAt: time.txt,
// demo.ogg or sync.txt in its folder, a .ps, .png or .track file in or below
// it, by name or by identity, links followed); the output itself; a file
// this process may not write. Empty when nothing is, or when there is no
// trace.
std::string traceRefusal(const CaptureOptions& options, const OutputTarget& target);

// What is wrong with the span from --from to --to, or without --to to
// `timelineEnd`: nothing in it, or a timeline that ends past
// latestCaptureTime (at infinity, say), whose frames no capture can reach.
// Empty when nothing is.
std::string spanRefusal(const CaptureOptions& options, double timelineEnd);

}  // namespace quadrelume::capture
