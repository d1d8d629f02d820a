// What the player and the capture program refuse, and how: a trace that
// would overwrite one of the demo's files, by any path or link (exit 2,
// before anything is opened); a window place X cannot hold and an IPv6
// editor address without brackets (exit 2); a demo file that is not a
// regular file, named, instead of waiting for ever on it (the player's
// fatal box, the capture program's exit 1, an editing session's error).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/keysym.h>

#include <filesystem>

#include "capture/capture_support.h"
#include "player_support.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace quadrelume {
namespace {

namespace fs = std::filesystem;
using namespace quadrelume::testing;

constexpr double startSeconds = 20.0;
constexpr double exitSeconds = 10.0;

constexpr const char* glowShader =
    "precision mediump float;\nuniform float c;\nvoid main() { gl_FragColor = vec4(c, 0.5, 0.2, 1.0); }\n";
constexpr const char* timeline = "0 2 c = lin(0, 1)\n0 2 #common/glow\n";

enum class Program { player, capture };

struct Refusal {
    Program program;
    std::vector<std::string> arguments;
    // A FIFO made in place of this file of the demo, if any.
    const char* fifo;
    int code;
    const char* message;
    // Needs a display: the player reads its files once its window is open,
    // and ends with the box, which is dismissed. An editing session keeps
    // going instead, and is ended with Escape.
    bool display = false;
};

// Runs `refusal` in `root` and gives how it ended; on `x` when it needs a
// display.
CaptureRun run(const Refusal& refusal, const std::string& root, XServer& x) {
    std::vector<std::string> argv{refusal.program == Program::player ? QUADRELUME_PLAYER : QUADRELUME_CAPTURE};
    argv.insert(argv.end(), refusal.arguments.begin(), refusal.arguments.end());
    Process process(argv, root, {{"DISPLAY", refusal.display ? x.name() : ""}});
    if (refusal.display) {
        // Whatever it says comes before the box, or the session goes on.
        waitFor([&] { return process.errors().find(refusal.message) != std::string::npos; }, startSeconds);
        if (auto box = x.waitForWindow("Torva Frame", refusal.code == 0 ? 0.5 : startSeconds)) {
            x.focus(box->id);
            x.typeKeysym(XK_Return);
        } else if (auto window = x.waitForWindow("Quadrelume", 1)) {
            x.focus(window->id);
            x.typeKeysym(XK_Escape);
        }
    }
    CaptureRun ended{process.waitForExit(exitSeconds).value_or(-1), process.errors()};
    if (ended.code == -1) process.kill();
    return ended;
}

TEST(Refusals, TracesOntoTheDemoFilesBadPlacesAndAddressesAndFilesThatAreNotRegular) {
    TempDir root;
    fs::create_directories(root.file("demo"));
    fs::create_directories(root.file("shared"));
    fs::create_directories(root.file("out"));
    fs::create_directories(root.file("fifo"));
    root.write("demo/time.txt", timeline);
    root.write("shared/glow.ps", glowShader);
    // The guide's shared shaders, and a second name for one of them.
    fs::create_directory_symlink("../shared", root.file("demo/common"));
    fs::create_hard_link(root.file("shared/glow.ps"), root.file("glow-copy.ps"));
    // One demo per FIFO, each reading every kind of file.
    root.write("fifo/time.txt", "0 2 c = lin(0, 1) + track(\"flash\")\n0 2 #glow\n0 2 #logo\n");
    root.write("fifo/glow.ps", glowShader);
    root.write("fifo/logo.ps", "precision mediump float;\nuniform sampler2D logo;\n"
                               "void main() { gl_FragColor = texture2D(logo, vec2(0.5)); }\n");
    const std::string notRegular = " is a FIFO, not a regular file; a demo is made of regular files only";
    const Refusal refusals[] = {
        {Program::player, {"--edit", "--trace", "demo/time.txt", "demo"}, nullptr, 2, "own files (time.txt)"},
        {Program::player, {"--trace", "shared/glow.ps", "demo"}, nullptr, 2, "own files (common/glow.ps)"},
        {Program::player, {"--sync", "--trace", "demo/common/glow.ps", "demo"}, nullptr, 2,
         "own files (common/glow.ps)"},
        {Program::player, {"--edit", "--trace", "glow-copy.ps", "demo"}, nullptr, 2, "own files (common/glow.ps)"},
        {Program::player, {"--trace", "demo/common/new.ps", "demo"}, nullptr, 2, "own files (common/new.ps)"},
        {Program::capture, {"--demo", "demo", "--trace", "shared/glow.ps", "out/%d.png"}, nullptr, 2,
         "own files (common/glow.ps)"},
        {Program::player, {"--edit", "--window", "320x200+99999+99999", "demo"}, nullptr, 2,
         "--window 320x200+99999+99999: X places a window from -32768 to 32767 in each direction"},
        {Program::player, {"--sync=::1:1339", "demo"}, nullptr, 2,
         "--sync ::1:1339: an IPv6 address goes in brackets, as in [::1]:1339 or [::1]"},
        {Program::capture, {"--demo", "fifo", "out/%d.png"}, "time.txt", 1, "time.txt is a FIFO"},
        {Program::capture, {"--demo", "fifo", "out/%d.png"}, "flash.track", 1, "flash.track is a FIFO"},
        {Program::capture, {"--demo", "fifo", "out/v.mp4"}, "demo.ogg", 1, "demo.ogg is a FIFO"},
        {Program::player, {"fifo"}, "time.txt", 255, "time.txt is a FIFO", true},
        {Program::player, {"fifo"}, "glow.ps", 255, "glow.ps is a FIFO", true},
        {Program::player, {"fifo"}, "logo.png", 255, "logo.png is a FIFO", true},
        {Program::player, {"fifo"}, "flash.track", 255, "flash.track is a FIFO", true},
        {Program::player, {"fifo"}, "sync.txt", 255, "sync.txt is a FIFO", true},
        {Program::player, {"fifo"}, "demo.ogg", 255, "demo.ogg is a FIFO", true},
        // The session shows the fault and goes on, as for a shader that
        // does not build.
        {Program::player, {"--edit", "fifo"}, "glow.ps", 0, "glow.ps did not build", true},
    };
    XServer x(320, 240);
    const std::string fifoTimeline = readFileText(root.file("fifo/time.txt"));
    for (const Refusal& refusal : refusals) {
        std::string line;
        for (const std::string& argument : refusal.arguments) line += argument + " ";
        if (refusal.fifo != nullptr) {
            const std::string place = root.file(std::string("fifo/") + refusal.fifo);
            fs::remove(place);
            ASSERT_EQ(mkfifo(place.c_str(), 0644), 0) << place;
            line += std::string("(FIFO ") + refusal.fifo + ")";
        }
        CaptureRun ended = run(refusal, root.path(), x);
        EXPECT_EQ(ended.code, refusal.code) << line << "\n" << ended.errors;
        EXPECT_NE(ended.errors.find(refusal.message), std::string::npos) << line << "\n" << ended.errors;
        if (refusal.fifo != nullptr) {
            if (refusal.code != 0) {
                EXPECT_NE(ended.errors.find(refusal.fifo + notRegular), std::string::npos) << line << ended.errors;
            }
            fs::remove(root.file(std::string("fifo/") + refusal.fifo));
            if (std::string(refusal.fifo) == "time.txt") root.write("fifo/time.txt", fifoTimeline);
            if (std::string(refusal.fifo) == "glow.ps") root.write("fifo/glow.ps", glowShader);
        }
    }
    EXPECT_EQ(readFileText(root.file("demo/time.txt")), timeline);
    EXPECT_EQ(readFileText(root.file("shared/glow.ps")), glowShader);
    EXPECT_FALSE(fs::exists(root.file("shared/new.ps")));
    EXPECT_TRUE(entriesOf(root.file("out")).empty());
}

}  // namespace
}  // namespace quadrelume
