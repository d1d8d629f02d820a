// The client against a fake editor on loopback, on a clock the test moves.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "support/fake_editor.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "sync/sync_client.h"
#include "sync/track_file.h"

namespace quadrelume::sync {
namespace {

using namespace quadrelume::testing;

std::uint32_t fakeNow = 0;
std::uint32_t fakeClock() { return fakeNow; }

struct Controls : EditorControls {
    std::vector<std::uint32_t> seeks;
    std::vector<bool> pauses;
    void editorSeek(std::uint32_t row) override { seeks.push_back(row); }
    void editorPause(bool paused) override { pauses.push_back(paused); }
};

class SyncClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(folder.path().c_str()), 0);
        messages = open_memstream(&messageText, &messageSize);
        tracks.use("a");
        tracks.use("b");
        std::string error;
        client = std::make_unique<SyncClient>(platform::resolveAddresses("127.0.0.1", editor.port(), &error), tracks,
                                              messages, fakeClock);
    }
    void TearDown() override {
        client.reset();
        std::fclose(messages);
        std::free(messageText);
        ASSERT_EQ(chdir("/"), 0);
    }

    // Updates the client until `done` holds, for at most two seconds.
    bool updateUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 400; ++i) {
            client->update(controls);
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // Lets the client connect and the editor see its track requests.
    void connect(std::size_t tracksAsked = 2) {
        client->update(controls);
        ASSERT_TRUE(editor.accept(2.0));
        ASSERT_TRUE(updateUntil([&] { return client->connected(); }));
        ASSERT_TRUE(editor.waitUntil([&] { return editor.trackNames.size() == tracksAsked; }, 2.0));
    }

    std::string messageLines() {
        std::fflush(messages);
        return std::string(messageText, messageSize);
    }

    TempDir folder;
    FakeEditor editor;
    std::FILE* messages = nullptr;
    char* messageText = nullptr;
    std::size_t messageSize = 0;
    TrackSet tracks{std::fopen("/dev/null", "w")};
    Controls controls;
    std::unique_ptr<SyncClient> client;
};

TEST_F(SyncClientTest, AsksForEveryTrackInOrderOnEveryConnectionAndKeepsValuesWhileTheEditorIsAway) {
    fakeNow = 1000;
    ASSERT_NO_FATAL_FAILURE(connect());
    EXPECT_EQ(editor.trackNames, (std::vector<std::string>{"a", "b"}));
    editor.send(FakeEditor::setKey(1, 0, 2.0f, 1) + FakeEditor::setKey(1, 10, 4.0f, 0) + FakeEditor::setKey(0, 5, 7.0f, 0));
    ASSERT_TRUE(updateUntil([&] { return tracks[0].keys().size() == 1; }));
    EXPECT_EQ(tracks[1].valueAt(5.0), 3.0f);
    editor.send(FakeEditor::deleteKey(1, 10));
    ASSERT_TRUE(updateUntil([&] { return tracks[1].keys().size() == 1; }));

    tracks.use("c");  // a track that came into use while connected is asked for at once
    client->update(controls);
    ASSERT_TRUE(editor.waitUntil([&] { return editor.trackNames.size() == 3; }, 2.0));
    EXPECT_EQ(editor.trackNames.back(), "c");

    editor.disconnect();
    ASSERT_TRUE(updateUntil([&] { return !client->connected(); }));
    EXPECT_NE(messageLines().find("lost the sync editor at " + editor.address()), std::string::npos) << messageLines();
    EXPECT_EQ(tracks[0].valueAt(100.0), 7.0f) << "the editor's last values stay";
    EXPECT_EQ(tracks[1].valueAt(100.0), 2.0f);

    // No attempt before a second has passed, then one, which asks for every
    // track again in order and starts every track afresh.
    fakeNow += 900;
    for (int i = 0; i < 20; ++i) client->update(controls);
    EXPECT_FALSE(editor.accept(0.2)) << "no new attempt within the second";
    fakeNow += 100;
    ASSERT_NO_FATAL_FAILURE(connect(3));
    EXPECT_EQ(editor.trackNames, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(tracks[0].keys().empty());
    EXPECT_NE(messageLines().find("connected to the sync editor at " + editor.address()), std::string::npos);
}

TEST_F(SyncClientTest, RowsGoBothWaysWithoutEchoAndPausesReachTheDemo) {
    ASSERT_NO_FATAL_FAILURE(connect());
    for (std::uint32_t row : {0u, 0u, 1u, 1u, 5u}) client->tellRow(row);
    ASSERT_TRUE(editor.waitUntil([&] { return editor.rows.size() == 3; }, 2.0));
    EXPECT_EQ(editor.rows, (std::vector<std::uint32_t>{0, 1, 5}));
    editor.send(FakeEditor::pause(true) + FakeEditor::setRow(64) + FakeEditor::pause(false));
    ASSERT_TRUE(updateUntil([&] { return controls.pauses.size() == 2; }));
    EXPECT_EQ(controls.seeks, (std::vector<std::uint32_t>{64}));
    EXPECT_EQ(controls.pauses, (std::vector<bool>{true, false}));
    client->tellRow(64);  // where the editor put the demo: nothing to tell
    client->tellRow(65);
    ASSERT_TRUE(editor.waitUntil([&] { return editor.rows.size() == 4; }, 2.0));
    EXPECT_EQ(editor.rows.back(), 65u);
}

TEST_F(SyncClientTest, SaveTracksWritesEveryTrackFile) {
    ASSERT_NO_FATAL_FAILURE(connect());
    // Keys in descending order, one of them deleted again, then the save.
    std::string burst;
    for (std::uint32_t row = 1000; row-- > 0;) burst += FakeEditor::setKey(1, row, static_cast<float>(row), 1);
    editor.send(FakeEditor::setKey(0, 3, 0.25f, 2) + burst + FakeEditor::deleteKey(1, 500) + FakeEditor::saveTracks());
    ASSERT_TRUE(updateUntil([&] { return messageLines().find("saved 2 track files") != std::string::npos; }));
    EXPECT_EQ(readFileText(folder.file("a.track")), std::string("\x01\x00\x00\x00\x03\x00\x00\x00\x00\x00\x80\x3e\x02", 13));
    std::vector<TrackKey> saved;
    std::string error;
    ASSERT_TRUE(decodeTrackFile(readFileText(folder.file("b.track")), saved, error)) << error;
    ASSERT_EQ(saved.size(), 999u);
    EXPECT_EQ(saved[499].row, 499u);
    EXPECT_EQ(saved[500].row, 501u);
    EXPECT_EQ(tracks[1].valueAt(998.5), 998.5f);
}

TEST_F(SyncClientTest, BadInputClosesTheConnectionWithOneLineAndNoHalfAppliedKey) {
    struct Case {
        std::string answer;  // the editor's greeting
        std::string bytes;   // sent after a good key for track 0
        std::string message;
    };
    const Case cases[] = {
        {"hello, demo?", "", "which answered \"hello, demo?\" instead of \"hello, demo!\""},
        {"hello, demo!", "\x09", "which sent the unknown command 9"},
        {"hello, demo!", FakeEditor::setKey(1, 1, 9.0f, 4), "which sent a SET_KEY of the key type 4"},
        {"hello, demo!", FakeEditor::setKey(2, 1, 9.0f, 1), "which sent a SET_KEY for track 2, but only tracks 0 to 1"},
        {"hello, demo!", FakeEditor::deleteKey(7, 0), "which sent a DELETE_KEY for track 7"},
        {"hello, demo!", std::string("\x02\x00\x00\x00\x00", 5), "which sent a GET_TRACK with an empty name"},
        {"hello, demo!", std::string("\x02\x00\x00\x00\x02" "b\0", 7), "which sent a GET_TRACK whose name holds a 0 byte"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::size_t before = messageLines().size();
        fakeNow += 1000;
        client->update(controls);
        ASSERT_TRUE(editor.accept(2.0, c.answer));
        if (c.answer == "hello, demo!") {
            ASSERT_TRUE(updateUntil([&] { return client->connected(); }));
            before = messageLines().size();
            editor.send(FakeEditor::setKey(0, 0, 1.0f, 0) + FakeEditor::setKey(1, 0, 5.0f, 0) + c.bytes +
                        FakeEditor::setKey(0, 0, 2.0f, 0));
        }
        ASSERT_TRUE(updateUntil([&] { return messageLines().size() > before && !client->connected(); }));
        EXPECT_TRUE(editor.waitUntil([&] { return editor.demoClosed(); }, 2.0));
        const std::string said = messageLines().substr(before);
        EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
        EXPECT_NE(said.find("quadrelume: closed the connection to the sync editor at " + editor.address() + ", " +
                            c.message),
                  std::string::npos)
            << said;
        if (c.answer == "hello, demo!") {
            EXPECT_EQ(tracks[0].keys().size(), 1u);
            EXPECT_EQ(tracks[0].valueAt(0.0), 1.0f) << "the good key before it counts, the one after it does not";
            EXPECT_EQ(tracks[1].keys().size(), 1u) << "nothing of the bad command was applied";
            EXPECT_EQ(tracks[1].valueAt(1.0), 5.0f);
        }
    }
}

}  // namespace
}  // namespace quadrelume::sync
