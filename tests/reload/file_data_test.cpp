#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "reload/file_data.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using testing::TempDir;
using testing::setModificationTime;
using testing::writeFile;

std::string contents(const FileData& file) { return std::string(file.data, static_cast<std::size_t>(file.size)); }

// Captures what reloadIfChanged prints.
std::string capturedStdout(const std::function<void()>& action) {
    ::testing::internal::CaptureStdout();
    action();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

TEST(FileData, HoldsACopyOfTextWithATerminatingZero) {
    FileData empty;
    EXPECT_EQ(empty.size, 0);
    ASSERT_NE(empty.data, nullptr);
    EXPECT_EQ(empty.data[0], '\0');

    std::string source("x = 1");
    FileData text(source);
    source[0] = 'y';
    EXPECT_EQ(contents(text), "x = 1");
    EXPECT_EQ(text.data[text.size], '\0');
    EXPECT_FALSE(text.reloadIfChanged());
}

TEST(LoadReloadableFile, ReadsWholeFilesAndGivesNullForMissingOnes) {
    TempDir dir;
    dir.write("empty", "");
    dir.write("bytes", std::string("a\0b\xff", 4));

    auto empty = loadReloadableFile(dir.file("empty"));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->size, 0);
    EXPECT_EQ(empty->data[0], '\0');

    auto bytes = loadReloadableFile(dir.file("bytes"));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(contents(*bytes), std::string("a\0b\xff", 4));
    EXPECT_EQ(bytes->data[4], '\0');
    EXPECT_EQ(bytes->path, dir.file("bytes"));

    EXPECT_EQ(loadReloadableFile(dir.file("missing")), nullptr);
    EXPECT_EQ(loadReloadableFile(dir.path()), nullptr) << "a directory is not a file";
}

TEST(ReloadIfChanged, UnchangedFileIsNeitherReadNorReported) {
    TempDir dir;
    dir.write("time.txt", "one");
    auto file = loadReloadableFile(dir.file("time.txt"));
    ASSERT_NE(file, nullptr);
    std::string printed = capturedStdout([&] { EXPECT_FALSE(file->reloadIfChanged()); });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(contents(*file), "one");
}

TEST(ReloadIfChanged, TwoSavesWithinOneSecondAreBothPickedUp) {
    TempDir dir;
    std::string path = dir.file("shader.ps");
    writeFile(path, "first");
    setModificationTime(path, 1700000000, 100);
    auto file = loadReloadableFile(path);
    ASSERT_NE(file, nullptr);

    writeFile(path, "second");
    setModificationTime(path, 1700000000, 200000000);
    std::string printed = capturedStdout([&] { EXPECT_TRUE(file->reloadIfChanged()); });
    EXPECT_EQ(printed, "Reloading:" + path + "\n");
    EXPECT_EQ(contents(*file), "second");

    // Same second again, and even the same size: still a new version.
    writeFile(path, "third!");
    setModificationTime(path, 1700000000, 700000000);
    capturedStdout([&] { EXPECT_TRUE(file->reloadIfChanged()); });
    EXPECT_EQ(contents(*file), "third!");
}

TEST(ReloadIfChanged, OlderModificationTimeCountsAsAChange) {
    TempDir dir;
    std::string path = dir.file("time.txt");
    writeFile(path, "new");
    setModificationTime(path, 1700000500, 0);
    auto file = loadReloadableFile(path);
    ASSERT_NE(file, nullptr);
    writeFile(path, "old");
    setModificationTime(path, 1600000000, 0);
    capturedStdout([&] { EXPECT_TRUE(file->reloadIfChanged()); });
    EXPECT_EQ(contents(*file), "old");
}

TEST(ReloadIfChanged, DeletedFileKeepsItsContentsUntilWrittenAgain) {
    TempDir dir;
    std::string path = dir.file("time.txt");
    writeFile(path, "kept");
    auto file = loadReloadableFile(path);
    ASSERT_NE(file, nullptr);

    std::remove(path.c_str());
    std::string printed = capturedStdout([&] { EXPECT_FALSE(file->reloadIfChanged()); });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(contents(*file), "kept");

    writeFile(path, "back again");
    capturedStdout([&] { EXPECT_TRUE(file->reloadIfChanged()); });
    EXPECT_EQ(contents(*file), "back again");
    EXPECT_EQ(file->data[file->size], '\0');
    EXPECT_FALSE(file->reloadIfChanged());
}

TEST(ReloadIfChanged, UnreadableFileIsTriedAgainLater) {
    TempDir dir;
    std::string path = dir.file("time.txt");
    writeFile(path, "before");
    auto file = loadReloadableFile(path);
    ASSERT_NE(file, nullptr);

    // Something that has a new status but cannot be read as a file.
    std::remove(path.c_str());
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    std::string printed = capturedStdout([&] { EXPECT_FALSE(file->reloadIfChanged()); });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(contents(*file), "before");

    rmdir(path.c_str());
    writeFile(path, "after");
    capturedStdout([&] { EXPECT_TRUE(file->reloadIfChanged()); });
    EXPECT_EQ(contents(*file), "after");
}

}  // namespace
}  // namespace quadrelume
