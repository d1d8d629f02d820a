// The music that the pictures follow in the player and the capture program:
// the demo folder's music file, analysed from the first frame that asks for
// it (the spectrum texture, bands(), level(), the overlay's meters), and
// analysed anew whenever the file is saved. A demo that asks for none of
// them never reads it here.
#pragma once

#include <memory>
#include <string>

#include "analysis/music_analysis.h"
#include "reload/reloadable.h"

namespace quadrelume::analysis {

class DemoMusic {
public:
    // Becomes the current music's finder (music_source.h) until destroyed.
    // `path` names the music file, relative to the current directory.
    explicit DemoMusic(std::string path);
    // Stops being the finder, and stops the analysis.
    ~DemoMusic();
    DemoMusic(const DemoMusic&) = delete;
    DemoMusic& operator=(const DemoMusic&) = delete;

    // The analysis of the music file, started on the first call: silence
    // while there is no file (a file saved later is analysed then), null
    // while none of its versions could be played. A file that cannot be
    // played fails as any other file the demo loads: fatal in the plain
    // player and the capture program, the last good version kept in an
    // editing session. The holder registers for polling.
    MusicSource* current();

private:
    std::string path_;
    std::unique_ptr<Reloadable<MusicAnalysis>> holder_;
};

}  // namespace quadrelume::analysis
