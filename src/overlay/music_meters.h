// The overlay's fold with the music's meters: the four bands and the level
// at the frame's time, as bands() and level() give them.
#pragma once

namespace quadrelume::overlay {

class MusicMeters {
public:
    // Builds, between NewFrame and Render, a panel folded by default at the
    // right edge of a display `width` pixels wide, from `top` down (below the
    // frame time's panel). Unfolded, it shows a meter for each band and the
    // level of the music at demo time `t`; the music is analysed from the
    // first frame it is unfolded in, if nothing asked for it before. Gives
    // the panel's bottom edge, for the panel below it.
    float build(float t, float width, float top);
};

}  // namespace quadrelume::overlay
