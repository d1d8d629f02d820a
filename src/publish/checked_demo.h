// A demo loaded and checked as the player loads it, before anything of it
// is published.
#pragma once

#include <memory>

#include "reload/file_data.h"
#include "timeline/demo.h"

namespace quadrelume::publish {

// What the check read; the caches of the libraries (shader programs,
// textures, sync tracks) hold the rest.
struct CheckedDemo {
    std::unique_ptr<Demo> demo;
    std::unique_ptr<ReloadableFileData> music;  // null without demo.ogg
    // Whether some range reads the music in the pictures: an effect that
    // samples the spectrum texture, a script that calls bands() or level().
    bool picturesFollowMusic = false;
};

// Loads the demo of the current directory with the player's own code on a
// headless GL context, so that whatever would stop the player stops here,
// through fatal, with the player's message: a missing time.txt, a script
// syntax error, a shader that does not build, a track file or sync.txt that
// does not read (all while the timeline loads); a texture the player cannot
// take (the frame at the start of every range that is ever active is drawn,
// which loads the textures of its effects, those that draw into buffers
// too, as the player's first frame of them does, and runs its scripts), or
// one that the page's PNG decoder does not read to the same pixels; music
// the player refuses, or that the page cannot play as the player does
// (musicRefusal).
// Writes on standard error which textures the player draws without, since
// it cannot use them (a palette image, a damaged file), and which are
// therefore left out of the site; and which have sides that are not powers
// of two, which WebGL 1 samples as black with the textures' repeat wrapping,
// where Mesa's GL shows them.
CheckedDemo checkDemo();

}  // namespace quadrelume::publish
