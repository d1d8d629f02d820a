// Track files: their bytes, what is refused, the names of the files, and
// saving them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "support/process.h"
#include "support/temp_dir.h"
#include "sync/track_file.h"

namespace quadrelume::sync {
namespace {

using namespace quadrelume::testing;

const std::vector<TrackKey> twoKeys = {{0x0102, 1.5f, KeyType::linear}, {0x10000, -2.0f, KeyType::ramp}};
// Little endian: count, then row, float bits, type per key.
const std::string twoKeysBytes("\x02\x00\x00\x00"
                               "\x02\x01\x00\x00" "\x00\x00\xc0\x3f" "\x01"
                               "\x00\x00\x01\x00" "\x00\x00\x00\xc0" "\x03", 22);

TEST(TrackFile, BytesAreLittleEndianAndReadBack) {
    EXPECT_EQ(encodeTrackFile(twoKeys), twoKeysBytes);
    EXPECT_EQ(encodeTrackFile({}), std::string(4, '\0'));
    std::vector<TrackKey> keys;
    std::string error;
    ASSERT_TRUE(decodeTrackFile(twoKeysBytes, keys, error)) << error;
    EXPECT_EQ(keys, twoKeys);
    ASSERT_TRUE(decodeTrackFile(std::string(4, '\0'), keys, error)) << error;
    EXPECT_TRUE(keys.empty());
}

TEST(TrackFile, RefusesWhatIsNotExactlyACountAndItsKeys) {
    struct Case {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"", "it has 0 bytes, too few for its key count"},
        {std::string("\x01\x00\x00", 3), "too few for its key count"},
        {twoKeysBytes.substr(0, 21), "it is cut short: it should hold 2 keys but has room for 1"},
        {twoKeysBytes.substr(0, 4), "it is cut short"},
        {twoKeysBytes + "\x07", "it has 1 bytes more than its 2 keys"},
        {std::string("\x01\x00\x00\x00", 4) + twoKeysBytes.substr(4), "it has 9 bytes more than its 1 keys"},
        {std::string("\xff\xff\xff\xff", 4) + twoKeysBytes.substr(4), "its key count is not a count of keys"},
        {twoKeysBytes.substr(0, 12) + "\x04" + twoKeysBytes.substr(13), "key 0 (row 258) has the type 4; the types are 0 to 3"},
        {twoKeysBytes.substr(0, 13) + twoKeysBytes.substr(4, 9),
         "key 1 is on row 258, which does not come after the row of the key before it (258)"},
    };
    for (const Case& c : cases) {
        std::vector<TrackKey> keys = twoKeys;
        std::string error;
        EXPECT_FALSE(decodeTrackFile(c.bytes, keys, error)) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_TRUE(keys.empty()) << c.message;
    }
}

TEST(TrackFile, NamesAreEscapedAndKeptInsideTheFolder) {
    const std::pair<std::string, std::string> files[] = {
        {"cam", "cam.track"},           {"cam:x", "cam-3Ax.track"},
        {"a b", "a-20b.track"},         {"\xc3\xa9t\xc3\xa9", "-C3-A9t-C3-A9.track"},
        {"group/sub.x_1", "group/sub.x_1.track"}, {"-", "-2D.track"},
    };
    for (const auto& [name, file] : files) {
        EXPECT_EQ(trackFileName(name), file);
        EXPECT_EQ(trackNameProblem(name), std::nullopt) << name;
    }
    const std::pair<std::string, std::string> refused[] = {
        {"", "a track needs a name"},
        {std::string("a\0b", 3), "a track name cannot hold a 0 byte"},
        {"../up", "the file ../up.track would not lie inside the demo folder"},
        {"/root", "would not lie inside"},
        {"a//b", "would not lie inside"},
        {"a/./b", "would not lie inside"},
        {std::string(100, ':'), "is too long"},
        {"x/", "a track name cannot end in /: its file would be the hidden x/.track"},
        {std::string(1025, 'a'), "a track name has at most 1024 bytes"},
    };
    for (const auto& [name, message] : refused) {
        std::optional<std::string> problem = trackNameProblem(name);
        ASSERT_TRUE(problem.has_value()) << name;
        EXPECT_NE(problem->find(message), std::string::npos) << *problem;
    }
}

TEST(TrackFile, SavesInOneStepIntoFoldersAndLeavesTheOldFileWhenItCannot) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(writeTrackFile(dir.file("group/cam.track"), twoKeys, error)) << error;
    EXPECT_EQ(readFileText(dir.file("group/cam.track")), twoKeysBytes);
    ASSERT_TRUE(writeTrackFile(dir.file("group/cam.track"), {}, error)) << error;
    EXPECT_EQ(readFileText(dir.file("group/cam.track")), std::string(4, '\0'));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("group")), {}), 1)
        << "no temporary left beside it";

    // A folder in the way of the file: the rename fails, nothing is left.
    std::filesystem::create_directories(dir.file("taken.track/inside"));
    EXPECT_FALSE(writeTrackFile(dir.file("taken.track"), twoKeys, error));
    EXPECT_NE(error.find("cannot rename"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.track/inside")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
        << "group and taken.track, no temporary";
    // A file in the way of a folder.
    dir.write("plain", "x");
    EXPECT_FALSE(writeTrackFile(dir.file("plain/cam.track"), twoKeys, error));
    EXPECT_NE(error.find("cannot make the folder"), std::string::npos) << error;
}

TEST(TrackFile, SavesThroughAFreshTemporaryThatFollowsNoLinkAndFitsEveryNameTheLoaderTakes) {
    namespace fs = std::filesystem;
    TempDir dir;
    TempDir outside;
    outside.write("victim", "keep");
    outside.write("other", "keep too");
    // Links planted where a save's temporary might go, the first name this
    // process would try among them, and one in place of the track file.
    const std::string planted[] = {"cam.track.saving", ".cam.track." + std::to_string(getpid()) + ".saving"};
    for (const std::string& name : planted) fs::create_symlink(outside.file("victim"), dir.file(name));
    fs::create_symlink(outside.file("other"), dir.file("cam.track"));
    std::string error;
    ASSERT_TRUE(writeTrackFile(dir.file("cam.track"), twoKeys, error)) << error;
    EXPECT_EQ(readFileText(outside.file("victim")), "keep");
    EXPECT_EQ(readFileText(outside.file("other")), "keep too");
    EXPECT_FALSE(fs::is_symlink(dir.file("cam.track"))) << "the link is replaced, not written through";
    EXPECT_EQ(readFileText(dir.file("cam.track")), twoKeysBytes);
    for (const std::string& name : planted) EXPECT_TRUE(fs::is_symlink(dir.file(name))) << name;

    // The longest names the loader takes, plain and with every byte
    // escaped, save and leave nothing else behind.
    const std::string names[] = {std::string(249, 'n'),
                                 "dir/" + std::string(83, ':'), std::string(243, 'm')};
    for (const std::string& name : names) {
        ASSERT_EQ(trackNameProblem(name), std::nullopt) << name;
        TempDir folder;
        const std::string file = folder.file(trackFileName(name));
        ASSERT_TRUE(writeTrackFile(file, twoKeys, error)) << error;
        EXPECT_EQ(readFileText(file), twoKeysBytes);
        EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(file).parent_path()), {}), 1) << name;
    }
}

}  // namespace
}  // namespace quadrelume::sync
