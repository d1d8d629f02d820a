#include "publish/music_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "clock/ogg_music_decoder.h"
#include "web/music_pcm.h"

namespace quadrelume::publish {
namespace {

// Decoding rounds to 16 bits; the two decoders may round apart by one step.
constexpr int largestDifference = 1;

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    return text;
}

}  // namespace

std::string musicRefusal(const FileData& music) {
    OggMusicDecoder player(&music);
    std::vector<std::int16_t> played(static_cast<std::size_t>(player.totalFrames()) * 2);
    player.render(played.data(), static_cast<unsigned long>(player.totalFrames()), 0.0);
    if (const char* failure = player.failure()) return failure;
    if (player.damagedFrames() > 0)
        return "demo.ogg is damaged: " + secondsText(static_cast<double>(player.damagedFrames()) / player.rate()) +
               " s of its music cannot be decoded in place. The player plays silence there and keeps the rest in "
               "time; the page cannot. Encode it again (oggenc, sox) and publish again";

    std::string problem;
    std::optional<MusicPcm> page = decodeMusicPcm(music, &problem);
    if (!page) return problem;
    const char* chained = "; is it a chained file (several joined)? Encode it again as one stream (oggenc, sox)";
    if (page->rate != player.rate() || page->frames() != player.totalFrames())
        return "demo.ogg: the web page's decoder reads " + std::to_string(page->frames()) + " frames at " +
               std::to_string(page->rate) + " Hz where the player plays " + std::to_string(player.totalFrames()) +
               " at " + std::to_string(player.rate()) + chained;
    for (std::size_t i = 0; i < played.size(); ++i) {
        if (std::abs(played[i] - page->samples[i]) > largestDifference)
            return "demo.ogg: the web page's decoder gives other sounds than the player's from " +
                   secondsText(static_cast<double>(i / 2) / player.rate()) + " s on" + chained;
    }
    return {};
}

}  // namespace quadrelume::publish
