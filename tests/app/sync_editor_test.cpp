// Sync tracks in the real player under a private X server: a fake editor
// drives an editing session (--sync) through keys, rows, pauses and saves,
// and the saved track files then play in the plain player, where a broken
// one ends the program as any broken file does.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "player_support.h"
#include "support/fake_editor.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;

constexpr double startSeconds = 20.0;
constexpr double exitSeconds = 10.0;

// The colour's red and green come from two tracks; 16 rows per second.
constexpr const char* timeline = "0 1000 colour = [track(\"red\"), track(\"green\"), 0]\n0 1000 #fill\n";
constexpr const char* fillShader =
    "precision mediump float;\n"
    "uniform vec3 colour;\n"
    "void main() { gl_FragColor = vec4(colour, 1.0); }\n";

// A track file of keys (row, value) of the step type, little endian.
std::string trackFile(std::initializer_list<std::pair<std::uint32_t, float>> keys) {
    auto u32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    };
    std::string bytes = u32(static_cast<std::uint32_t>(keys.size()));
    for (auto [row, value] : keys) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        bytes += u32(row) + u32(bits) + '\0';
    }
    return bytes;
}

class SyncTracks : public ::testing::Test {
protected:
    void SetUp() override {
        demo.write("time.txt", timeline);
        demo.write("fill.ps", fillShader);
    }

    void start(std::vector<std::string> options) {
        std::vector<std::string> argv{QUADRELUME_PLAYER};
        argv.insert(argv.end(), options.begin(), options.end());
        // A session draws over the whole screen, as the player does, and
        // traces its frames where the test reads them.
        if (!options.empty()) argv.push_back("--fullscreen");
        argv.insert(argv.end(), {"--trace", "-", demo.path()});
        player = std::make_unique<Process>(argv, elsewhere.path(), std::map<std::string, std::string>{{"DISPLAY", x.name()}});
        ASSERT_TRUE(x.waitForWindow("Quadrelume", startSeconds).has_value()) << player->errors();
    }

    void quit() {
        x.typeKeysym(XK_Escape);
        EXPECT_EQ(player->waitForExit(exitSeconds), 0) << player->errors();
    }

    bool waitForErrors(const std::string& needle) {
        for (int i = 0; i < 250 && player->errors().find(needle) == std::string::npos; ++i) pause(20);
        return player->errors().find(needle) != std::string::npos;
    }

    XServer x{320, 240};
    TempDir demo;
    TempDir elsewhere;
    std::unique_ptr<Process> player;
};

TEST_F(SyncTracks, AnEditorsKeysRowsPausesAndSavesDriveTheSessionAndTheSavedFilesPlayTheSame) {
    FakeEditor editor;
    ASSERT_NO_FATAL_FAILURE(start({"--sync=" + editor.address()}));
    ASSERT_TRUE(editor.accept(startSeconds)) << player->errors();
    ASSERT_TRUE(editor.waitUntil([&] { return editor.trackNames.size() == 2; }, 5)) << player->errors();
    EXPECT_EQ(editor.trackNames, (std::vector<std::string>{"red", "green"}));
    EXPECT_TRUE(waitForErrors("quadrelume: connected to the sync editor at " + editor.address()));

    // A key shows in the picture.
    editor.send(FakeEditor::setKey(0, 0, 1.0f, 0) + FakeEditor::setKey(1, 0, 0.0f, 0));
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0xff0000, 5), 0xff0000));

    // The editor pauses the demo and puts it on row 32: two seconds in, held.
    std::size_t mark = player->output().size();
    editor.send(FakeEditor::pause(true));
    const std::size_t paused = waitForOutput(*player, "Paused:", 5, mark);
    ASSERT_NE(paused, std::string::npos);
    // The editor is told the row the demo stopped on.
    const auto pausedRow = static_cast<std::uint32_t>(std::strtod(player->output().c_str() + paused + 7, nullptr) * 16);
    EXPECT_TRUE(editor.waitUntil([&] { return !editor.rows.empty() && editor.rows.back() == pausedRow; }, 5))
        << pausedRow;
    editor.send(FakeEditor::setRow(32));
    std::size_t seek = waitForOutput(*player, "Seek:", 5, mark);
    ASSERT_NE(seek, std::string::npos);
    EXPECT_NE(player->output().find(" -> 2.000000\n", seek), std::string::npos) << player->output().substr(seek, 60);
    editor.send(FakeEditor::setKey(1, 32, 1.0f, 0));
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0xffff00, 5), 0xffff00)) << "a key on the row shows at once";
    pause(300);
    std::vector<double> held = frameTimes(player->output().substr(seek));
    ASSERT_GE(held.size(), 5u);
    for (double t : held) EXPECT_EQ(t, 2.0) << "paused on the row";

    // Playing again, the demo tells the editor each row it reaches.
    mark = player->output().size();
    editor.waitUntil([] { return true; }, 0);  // takes in every row told so far
    editor.rows.clear();
    editor.send(FakeEditor::pause(false));
    ASSERT_NE(waitForOutput(*player, "Resumed:2.000000\n", 5, mark), std::string::npos);
    ASSERT_TRUE(editor.waitUntil([&] { return !editor.rows.empty() && editor.rows.back() >= 40; }, 5));
    const std::vector<double> played = frameTimes(player->output().substr(mark));
    ASSERT_FALSE(played.empty());
    EXPECT_GE(editor.rows.front(), 33u) << "not the row the editor set";
    EXPECT_LE(editor.rows.front(), 34u) << "the row after it (or the next, on a slow frame)";
    for (std::size_t i = 1; i < editor.rows.size(); ++i) EXPECT_GT(editor.rows[i], editor.rows[i - 1]);
    EXPECT_LE(editor.rows.back(), std::floor(played.back() * 16) + 1) << "no row ahead of the frames";
    EXPECT_TRUE(editor.unexpected.empty());

    // Saving writes both tracks as files; they reload, and the editor's
    // keys stay in force.
    editor.send(FakeEditor::saveTracks());
    EXPECT_TRUE(waitForErrors("quadrelume: saved 2 track files\n")) << player->errors();
    EXPECT_EQ(readFileText(demo.file("red.track")), trackFile({{0, 1.0f}}));
    EXPECT_EQ(readFileText(demo.file("green.track")), trackFile({{0, 0.0f}, {32, 1.0f}}));
    quit();

    // The plain player plays the saved files the same: red, then yellow from
    // row 32 on.
    player = startPlayer(x, demo.path());
    ASSERT_TRUE(x.waitForWindow("Quadrelume", startSeconds).has_value()) << player->errors();
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0xff0000, 5), 0xff0000)) << player->output().substr(0, 600);
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0xffff00, 10), 0xffff00));
    const std::string out = player->output();
    EXPECT_NE(out.find("Track:red from red.track, 1 keys\n"), std::string::npos) << out.substr(0, 400);
    quit();
    EXPECT_EQ(player->errors(), "");
}

TEST_F(SyncTracks, ABrokenTrackFileEndsThePlayerAndTheSessionKeepsTheLastGoodKeys) {
    demo.write("red.track", trackFile({{0, 1.0f}}));
    const std::string broken = trackFile({{0, 1.0f}}).substr(0, 10);
    ASSERT_NO_FATAL_FAILURE(start({"--edit"}));
    x.typeKeysym(XK_F1);  // on this small screen the error panel would cover the middle
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0xff0000, 5), 0xff0000));
    demo.write("red.track", broken);
    EXPECT_TRUE(waitForErrors("red.track did not build, the last good version stays:\nError in red.track: it is cut "
                              "short: it should hold 1 keys but has room for 0\n"))
        << player->errors();
    pause(300);
    EXPECT_TRUE(coloursNear(x.pixel(x.width() / 2, x.height() / 2), 0xff0000)) << "the last good keys play";
    demo.write("green.track", trackFile({{0, 1.0f}}));  // a file that was missing is read once saved
    demo.write("red.track", trackFile({{0, 0.0f}}));
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0x00ff00, 5), 0x00ff00));
    EXPECT_TRUE(waitForErrors("red.track builds again\n"));
    quit();

    player = startPlayer(x, demo.path());
    ASSERT_TRUE(x.waitForWindow("Quadrelume", startSeconds).has_value()) << player->errors();
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0x00ff00, 5), 0x00ff00));
    demo.write("green.track", broken);
    auto box = x.waitForWindow("Torva Frame", startSeconds);
    ASSERT_TRUE(box.has_value()) << player->errors();
    x.focus(box->id);
    x.typeKeysym(XK_Return);
    EXPECT_EQ(player->waitForExit(exitSeconds), 255);
    EXPECT_EQ(player->errors(), "Error in green.track: it is cut short: it should hold 1 keys but has room for 0\n");
}

// While the author types a track's name, each save of the timeline loads
// a track of its own; only the one the timeline ends up using is asked for
// on the next connection and saved. A save that does not build keeps the
// tracks of the timeline that plays.
TEST_F(SyncTracks, TracksNoLongerInTheTimelineAreNeitherAskedForNorSaved) {
    demo.write("time.txt", "0 1000 colour = [track(\"f\"), 0, 0]\n0 1000 #fill\n");
    FakeEditor editor;
    ASSERT_NO_FATAL_FAILURE(start({"--sync=" + editor.address()}));
    ASSERT_TRUE(editor.accept(startSeconds)) << player->errors();
    ASSERT_TRUE(editor.waitUntil([&] { return editor.trackNames.size() == 1; }, 5)) << player->errors();
    for (const char* name : {"fl", "flash"}) {
        demo.write("time.txt", std::string("0 1000 colour = [track(\"") + name + "\"), 0, 0]\n0 1000 #fill\n");
        ASSERT_NE(waitForOutput(*player, std::string("Track:") + name + " has no " + name + ".track yet", 5),
                  std::string::npos);
    }
    demo.write("time.txt", "0 1000 colour = [track(\"flash\"), track(\"x\"), 0]\n0 1000 y = (\n0 1000 #fill\n");
    ASSERT_TRUE(waitForErrors("time.txt did not build")) << player->errors();
    ASSERT_NE(waitForOutput(*player, "Track:x has no x.track yet", 5), std::string::npos);
    editor.waitUntil([] { return false; }, 0.3);  // anything more it would ask for
    EXPECT_EQ(editor.trackNames, (std::vector<std::string>{"f", "fl", "flash"})) << "each asked for as it loaded";
    x.typeKeysym(XK_F1);  // the error panel would cover the middle
    editor.send(FakeEditor::setKey(0, 0, 0.5f, 0) + FakeEditor::setKey(2, 0, 1.0f, 0));
    EXPECT_TRUE(coloursNear(waitForCentreColour(x, 0xff0000, 5), 0xff0000)) << "flash's key plays";

    editor.send(FakeEditor::saveTracks());
    EXPECT_TRUE(waitForErrors("quadrelume: saved 1 track file\n")) << player->errors();
    EXPECT_EQ(readFileText(demo.file("flash.track")), trackFile({{0, 1.0f}}));
    for (const char* unused : {"f.track", "fl.track", "x.track"})
        EXPECT_FALSE(std::filesystem::exists(demo.file(unused))) << unused;

    editor.disconnect();
    ASSERT_TRUE(editor.accept(5)) << player->errors();
    ASSERT_TRUE(editor.waitUntil([&] { return !editor.trackNames.empty(); }, 5));
    editor.waitUntil([] { return false; }, 0.3);  // anything more it would ask for
    EXPECT_EQ(editor.trackNames, (std::vector<std::string>{"flash"}));
    quit();
}

}  // namespace
}  // namespace quadrelume
