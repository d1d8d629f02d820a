#include "publish/checked_demo.h"

#include <cstdio>

#include "analysis/music_source.h"
#include "capture/exits.h"
#include "platform/fatal.h"
#include "platform/headless_gl.h"
#include "publish/music_check.h"
#include "render/png_pixels.h"
#include "render/texture_cache.h"
#include "shell/shell_state.h"
#include "timeline/demo_loader.h"
#include "web/png_stb.h"

namespace quadrelume::publish {
namespace {

// Shaders compile and textures upload whatever the size drawn.
constexpr int checkSize = 16;

bool isPowerOfTwo(int side) { return side > 0 && (side & (side - 1)) == 0; }

}  // namespace

CheckedDemo checkDemo() {
    platform::initHeadlessGl(checkSize, checkSize);
    windowWidth = checkSize;
    windowHeight = checkSize;
    std::unique_ptr<ReloadableFileData> timeline = loadReloadableFile("time.txt");
    if (!timeline) fatal("Could not load the timeline file time.txt from the current directory");
    CheckedDemo checked;
    checked.demo.reset(loadDemo(timeline.get(), stdout));
    // Whatever reads the music in the pictures (the spectrum texture,
    // bands(), level()) asks for the current music on the way.
    analysis::setMusicFinder(
        [](void* asked) -> analysis::MusicSource* {
            *static_cast<bool*>(asked) = true;
            return nullptr;
        },
        &checked.picturesFollowMusic);
    for (const auto& range : checked.demo->ranges) {
        // A range that is never active is never drawn or run, and loads and
        // reads nothing. The whole frame at its start is drawn, as the
        // player draws it: a range that draws into a buffer draws only in a
        // frame that has made the buffer ready.
        if (range->start < range->end) checked.demo->render(range->start);
    }
    analysis::setMusicFinder(nullptr, nullptr);
    for (const auto& [file, holder] : textureCache()) {
        if (holder->object == nullptr) {
            std::fprintf(stderr, "%s: %s is left out: the player cannot use it (a palette image, or damaged) and "
                                 "draws without it\n", capture::programName(), file.c_str());
            continue;
        }
        // The page reads the file with its own decoder: it must come out as
        // the player's libpng reads it.
        const std::optional<PngPixels> player = decodePngPixels(*holder->file);
        const std::optional<PngPixels> page = readPngWithStbImage(*holder->file);
        if (!player || !page || player->rows != page->rows)
            fatal(file + ": the web page's PNG decoder does not read it as the player does; save it again (with "
                         "another program, say) and publish again");
        if (!isPowerOfTwo(holder->object->width) || !isPowerOfTwo(holder->object->height)) {
            std::fprintf(stderr, "%s: %s is %d x %d: WebGL 1 samples a texture whose sides are not powers of two "
                                 "as black where it repeats, as the player's textures do; resize it to powers of two "
                                 "for the page to show it\n", capture::programName(), file.c_str(),
                         holder->object->width, holder->object->height);
        }
    }
    checked.music = loadReloadableFile("demo.ogg");
    if (checked.music) {
        const std::string refused = musicRefusal(*checked.music);
        if (!refused.empty()) fatal(refused);
    }
    return checked;
}

}  // namespace quadrelume::publish
