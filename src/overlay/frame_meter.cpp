#include "overlay/frame_meter.h"

namespace quadrelume::overlay {

void FrameMeter::addFrame(double seconds) {
    if (!(seconds >= 0.0)) return;
    spanTotal_ += seconds;
    ++spanFrames_;
    if (spanTotal_ < spanSeconds) return;
    milliseconds_ = 1000.0 * spanTotal_ / spanFrames_;
    spanTotal_ = 0.0;
    spanFrames_ = 0;
}

}  // namespace quadrelume::overlay
