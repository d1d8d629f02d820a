// quadrelume --new: the starter demo it writes plays in the player, in an
// editing session and in the capture program; whatever exists already under
// the name it is given is refused and left alone.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <filesystem>
#include <map>

#include "capture/capture_support.h"
#include "player_support.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

namespace fs = std::filesystem;
using testing::Process;
using testing::TempDir;
using testing::XServer;

constexpr double exitSeconds = 10.0;
constexpr double startSeconds = 20.0;

// Waits for the centre of the screen to show something other than the bare
// white root or black; gives the last colour seen.
unsigned waitForDrawing(XServer& x) {
    unsigned seen = 0xffffff;
    for (int i = 0; i < 500 && (seen == 0xffffff || seen == 0); ++i) {
        seen = x.pixel(x.width() / 2, x.height() / 2);
        testing::pause(20);
    }
    return seen;
}

TEST(StarterDemo, IsWrittenIntoANewFolderAndPlaysInThePlayerTheEditingSessionAndTheCaptureProgram) {
    TempDir here;
    // A name with a blank, which the printed command has to quote.
    const std::string folder = "first demo";
    Process writer({QUADRELUME_PLAYER, "--new", folder}, here.path(), {{"DISPLAY", ""}});
    ASSERT_EQ(writer.waitForExit(exitSeconds), 0) << writer.errors();
    EXPECT_EQ(writer.errors(), "");
    const std::string command = std::string("  ") + QUADRELUME_PLAYER + " --edit '" + folder + "'\n";
    const std::string out = writer.output();
    ASSERT_GE(out.size(), command.size());
    EXPECT_EQ(out.substr(out.size() - command.size()), command) << "the last line opens the demo: " << out;

    fs::create_directory(here.file("frames"));
    testing::CaptureRun capture = testing::runCaptureProgram(
        {"--demo", folder, "--size", "64x36", "--to", "0.05", "--trace", "trace.txt", "frames"}, here.path());
    ASSERT_EQ(capture.code, 0) << capture.errors;
    EXPECT_EQ(testing::entriesOf(here.file("frames")).size(), 3u);
    EXPECT_NE(testing::readFileText(here.file("trace.txt")).find("added uniform tint for <passVS>/waves.ps"),
              std::string::npos);

    for (bool edit : {false, true}) {
        SCOPED_TRACE(edit ? "editing session" : "player");
        XServer x(320, 240);
        std::vector<std::string> argv{QUADRELUME_PLAYER};
        // The session's overlay stays out of the middle of a full screen.
        if (edit) argv.insert(argv.end(), {"--edit", "--fullscreen", "--trace", "-"});
        argv.push_back(folder);
        Process player(argv, here.path(), {{"DISPLAY", x.name()}});
        ASSERT_NE(testing::waitForOutput(player, "tint = [", startSeconds), std::string::npos) << player.errors();
        // The rings in the script's colour: orange-red for the first seconds.
        const unsigned centre = waitForDrawing(x);
        const int red = static_cast<int>(centre >> 16), blue = static_cast<int>(centre & 0xff);
        EXPECT_GT(red, blue + 10) << std::hex << centre;
        x.typeKeysym(XK_Escape);
        EXPECT_EQ(player.waitForExit(exitSeconds), 0);
        EXPECT_EQ(player.errors(), "") << "everything in the starter demo builds";
    }
}

// Every file and folder below `root`, each with its contents (files) and
// modification time.
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string state = std::to_string(fs::last_write_time(entry.path()).time_since_epoch().count());
        if (entry.is_regular_file()) state += " " + testing::readFileText(entry.path());
        found[entry.path().string()] = state;
    }
    return found;
}

TEST(StarterDemo, RefusesWhateverIsThereAlreadyAndTouchesNothing) {
    TempDir here;
    fs::create_directory(here.file("empty"));
    fs::create_directory(here.file("demo"));
    here.write("demo/time.txt", "0 10 #mine\n");
    here.write("plain", "not a folder\n");
    fs::create_directory_symlink("demo", here.file("link"));
    const auto before = snapshot(here.path());
    for (const char* name : {"empty", "demo", "plain", "link"}) {
        Process writer({QUADRELUME_PLAYER, "--new", name}, here.path(), {{"DISPLAY", ""}});
        EXPECT_EQ(writer.waitForExit(exitSeconds), 2) << name;
        EXPECT_EQ(writer.errors(), std::string("quadrelume: ") + name +
                                       " already exists; --new makes a new folder and leaves an existing one as it is\n");
        EXPECT_EQ(writer.output(), "");
    }
    EXPECT_EQ(snapshot(here.path()), before);
}


TEST(StarterDemo, TakesATrailingSlashADashAndRefusesATooLongNameLeavingNothing) {
    struct Case {
        std::string name;
        int code;
        std::string said;       // on standard output for 0, on standard error otherwise
        std::string folder;     // what exists afterwards, with the starter's files; "" for nothing
    };
    const std::string tooLong(300, 'n');
    const Case cases[] = {
        {"trailing/", 0, "  " + std::string(QUADRELUME_PLAYER) + " --edit trailing/\n", "trailing"},
        {"deeper/still//", 0, " --edit deeper/still//\n", "deeper/still"},
        {"-dash", 0, " --edit ./-dash\n", "-dash"},
        {tooLong, 2, "quadrelume: " + tooLong + ": the name is too long for the file system; --new made nothing\n", ""},
        {"made/above/" + tooLong, 2, "the name is too long", ""},
    };
    for (const Case& c : cases) {
        TempDir here;
        Process writer({QUADRELUME_PLAYER, "--new", c.name}, here.path(), {{"DISPLAY", ""}});
        EXPECT_EQ(writer.waitForExit(exitSeconds), c.code) << c.name << ": " << writer.errors();
        const std::string said = c.code == 0 ? writer.output() : writer.errors();
        EXPECT_NE(said.find(c.said), std::string::npos) << c.name << ": " << said;
        if (c.folder.empty()) {
            EXPECT_TRUE(testing::entriesOf(here.path()).empty()) << c.name << ": nothing is left behind";
            continue;
        }
        EXPECT_EQ(testing::entriesOf(here.file(c.folder)), (std::vector<std::string>{"time.txt", "waves.ps"})) << c.name;
    }
    // The folder as the printed command names it gets past the command line
    // to the display, where "-dash" itself would be an unknown option.
    TempDir here;
    Process writer({QUADRELUME_PLAYER, "--new", "-dash"}, here.path(), {{"DISPLAY", ""}});
    ASSERT_EQ(writer.waitForExit(exitSeconds), 0);
    const std::string out = writer.output();
    const std::string printed = out.substr(out.rfind(" --edit ") + 8, out.size() - out.rfind(" --edit ") - 9);
    Process opened({QUADRELUME_PLAYER, "--edit", printed}, here.path(), {{"DISPLAY", ""}});
    EXPECT_EQ(opened.waitForExit(exitSeconds), 255) << printed << ": " << opened.errors();
    EXPECT_EQ(opened.errors(), "Could not get EGL display\n") << printed;
}

}  // namespace
}  // namespace quadrelume
