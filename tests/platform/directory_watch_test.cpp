#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/directory_watch.h"
#include "platform/time.h"
#include "support/temp_dir.h"

namespace quadrelume::platform {
namespace {

using State = DirectoryWatch::State;
using quadrelume::testing::TempDir;
using quadrelume::testing::writeFile;

// Tests the watch until it signals or about two seconds have passed; events
// arrive asynchronously, but a signal that is due comes within milliseconds.
State waitForSignal(DirectoryWatch& watch) {
    for (int i = 0; i < 2000; ++i) {
        State state = watch.test();
        if (state != State::timeout) return state;
        sleepMilliseconds(1);
    }
    return State::timeout;
}

// A watch that signals nothing for a while has settled.
bool staysQuiet(DirectoryWatch& watch) {
    for (int i = 0; i < 50; ++i) {
        if (watch.test() != State::timeout) return false;
        sleepMilliseconds(1);
    }
    return true;
}

class DirectoryWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("shader.ps", "void main() {}");
        std::filesystem::create_directories(dir.file("old/deeper"));
        ASSERT_TRUE(watch.start(dir.path()));
        ASSERT_TRUE(watch.active());
        ASSERT_TRUE(staysQuiet(watch)) << "starting the watch is not a change";
    }

    TempDir dir;
    DirectoryWatch watch;
};

TEST_F(DirectoryWatchTest, SignalsASaveInPlaceUntilRearmed) {
    dir.write("shader.ps", "void main() { }");
    EXPECT_EQ(waitForSignal(watch), State::signalled);
    EXPECT_EQ(watch.test(), State::signalled) << "the signal stays until rearmed";
    EXPECT_TRUE(watch.rearm());
    EXPECT_TRUE(staysQuiet(watch));

    dir.write("shader.ps", "again");
    EXPECT_EQ(waitForSignal(watch), State::signalled);
}

TEST_F(DirectoryWatchTest, SignalsAWriteToTemporaryThenRename) {
    dir.write(".shader.ps.swp", "new text");
    ASSERT_EQ(waitForSignal(watch), State::signalled);  // the temporary file itself was written
    watch.rearm();
    ASSERT_EQ(std::rename(dir.file(".shader.ps.swp").c_str(), dir.file("shader.ps").c_str()), 0);
    EXPECT_EQ(waitForSignal(watch), State::signalled);
}

TEST_F(DirectoryWatchTest, SignalsWritesInSubdirectoriesPresentAtStart) {
    dir.write("old/deeper/logo.png", "png");
    EXPECT_EQ(waitForSignal(watch), State::signalled);
}

TEST_F(DirectoryWatchTest, SignalsAFileWrittenAtOnceIntoANewSubdirectory) {
    // No test of the watch between creating the directory and writing the
    // file: the write happens before the new directory can be watched.
    std::filesystem::create_directories(dir.file("new/inner"));
    dir.write("new/inner/tex.png", "png");
    EXPECT_EQ(waitForSignal(watch), State::signalled);
    watch.rearm();
    EXPECT_TRUE(staysQuiet(watch));

    // And the new directories are watched from now on.
    dir.write("new/inner/tex.png", "png 2");
    EXPECT_EQ(waitForSignal(watch), State::signalled);
    watch.rearm();
    dir.write("new/other.ps", "x");
    EXPECT_EQ(waitForSignal(watch), State::signalled);
}

TEST_F(DirectoryWatchTest, TouchingAFileSignals) {
    // What touch does: both times set at once.
    ASSERT_EQ(utimensat(AT_FDCWD, dir.file("shader.ps").c_str(), nullptr, 0), 0);
    EXPECT_EQ(waitForSignal(watch), State::signalled);
}

TEST_F(DirectoryWatchTest, ClosedWatchReportsFailure) {
    watch.close();
    EXPECT_FALSE(watch.active());
    EXPECT_EQ(watch.test(), State::failed);
    EXPECT_FALSE(watch.rearm());
    watch.close();  // twice is fine
}

TEST(DirectoryWatch, FollowsLinksToFoldersOnceAndNeverUpward) {
    namespace fs = std::filesystem;
    TempDir outer;
    for (const char* folder : {"demo", "shared", "elsewhere", "later"}) fs::create_directory(outer.file(folder));
    // Two links to one folder, links to the demo itself, to its parent and
    // back from the linked folder: each folder is watched once, and the tree
    // above the demo not at all.
    for (auto [target, link] : {std::pair{"../shared", "demo/a"}, {"../shared", "demo/b"}, {".", "demo/self"},
                                {"..", "demo/up"}, {"../demo", "shared/back"}}) {
        fs::create_directory_symlink(target, outer.file(link));
    }
    DirectoryWatch watch;
    ASSERT_TRUE(watch.start(outer.file("demo")));
    outer.write("shared/fx.ps", "x");
    EXPECT_EQ(waitForSignal(watch), State::signalled);
    watch.rearm();
    outer.write("elsewhere/fx.ps", "x");
    EXPECT_TRUE(staysQuiet(watch)) << "the parent's other folders are not watched";

    // A link made while the watch runs is followed too.
    fs::create_directory_symlink("../later", outer.file("demo/later"));
    ASSERT_TRUE(staysQuiet(watch));
    outer.write("later/fx.ps", "x");
    EXPECT_EQ(waitForSignal(watch), State::signalled);
}

TEST(DirectoryWatch, MissingDirectoryGivesNoWatch) {
    DirectoryWatch watch;
    EXPECT_FALSE(watch.start("/nonexistent/quadrelume"));
    EXPECT_FALSE(watch.active());
    EXPECT_EQ(watch.test(), State::failed);
}

}  // namespace
}  // namespace quadrelume::platform
