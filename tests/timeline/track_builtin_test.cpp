// track("NAME") in timelines: its value at the demo's row, its name that
// stays a variable name elsewhere, the tracks a timeline takes into use, and
// the files it reads.
#include <gtest/gtest.h>

#include <unistd.h>

#include "reload/build_failure.h"
#include "reload/file_data.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "sync/track_file.h"
#include "sync/track_set.h"
#include "timeline/demo_loader.h"

namespace quadrelume {
namespace {

using quadrelume::testing::TempDir;
using sync::KeyType;

class TrackBuiltin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(folder.path().c_str()), 0);
        sync::trackSet().clear();
        sync::trackSet().setTrace(trace);
        std::string error;
        ASSERT_TRUE(sync::writeTrackFile("t.track",
                                         std::vector<sync::TrackKey>{{0, 0.0f, KeyType::linear},
                                                                     {16, 1.0f, KeyType::step},
                                                                     {32, 3.0f, KeyType::step}},
                                         error));
    }
    void TearDown() override {
        sync::trackSet().clear();
        sync::trackSet().setTrace(stdout);
        std::fclose(trace);
        ASSERT_EQ(chdir("/"), 0);
    }

    // What `a` holds after a frame at `t` of the timeline `text`.
    std::string aAt(const std::string& text, float t) {
        FileData file(text);
        std::unique_ptr<Demo> demo(loadDemo(&file, trace));
        demo->setTraceOutput(trace);
        demo->render(t);
        const Value* a = demo->variables.find("a");
        return a == nullptr ? "<unset>" : toText(*a);
    }

    std::string traced() {
        std::fflush(trace);
        return testing::readFileText(folder.file("trace"));
    }

    TempDir folder;
    std::FILE* trace = std::fopen(folder.file("trace").c_str(), "w");
};

TEST_F(TrackBuiltin, GivesTheTracksValueAtTheRowOfTheDemoTime) {
    struct Case {
        const char* line;
        float t;
        const char* value;
    };
    // 16 rows per second by default: row 8 is half a second in.
    const Case cases[] = {
        {"0 100 a = track(\"t\")", 0.5f, "0.500000"},  {"0 100 a = track(\"t\")", 1.5f, "1.000000"},
        {"0 100 a = track(\"t\")", 40.0f, "3.000000"}, {"0 100 a = track(\"none\")", 1.0f, "0.000000"},
        {"0 100 a = track(\"t\") * [1, 2]", 2.0f, "[3.000000,6.000000]"},
        {"0 100 a = track(5) + track()", 2.0f, "0.000000"},
        {"0 100 track = 2\n0 100 a = track * 3", 1.0f, "6.000000"},
        {"0 100 n = \"t\"\n0 100 a = track(n)", 1.0f, "1.000000"},
    };
    for (const Case& c : cases) EXPECT_EQ(aAt(c.line, c.t), c.value) << c.line << " at " << c.t;
}

TEST_F(TrackBuiltin, TheRowRateComesFromSyncTxt) {
    folder.write("sync.txt", "# slow\nbpm 60\n\nrows-per-beat   4\n");
    EXPECT_EQ(aAt("0 100 a = track(\"t\")", 2.0f), "0.500000") << "4 rows per second: row 8 at 2 s";
    EXPECT_NE(traced().find("Rows per second:4.000000 (bpm 60, rows-per-beat 4)\n"), std::string::npos) << traced();
}

TEST_F(TrackBuiltin, ALoadedTimelineTakesItsTracksIntoUseInTheOrderItNamesThem) {
    aAt("0 1 a = track(\"b\") + track(\"t\")\n5 6 !x = track(\"off\")\n2 3 c = [track(\"b\"), track(\"a/x\")]\n", 0);
    ASSERT_EQ(sync::trackSet().size(), 3u);
    EXPECT_EQ(sync::trackSet()[0].name, "b");
    EXPECT_EQ(sync::trackSet()[1].name, "t");
    EXPECT_EQ(sync::trackSet()[2].name, "a/x");
    const std::string lines = traced();
    EXPECT_NE(lines.find("Track:b has no b.track yet, so it is 0\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("Track:t from t.track, 3 keys\n"), std::string::npos) << lines;
    EXPECT_LT(lines.find("Track:a/x"), lines.find("Line:3")) << "taken into use as the line loads";
}

TEST_F(TrackBuiltin, BadNamesAndBadFilesEndTheBuild) {
    EXPECT_EXIT(aAt("0 1 a = track(\"\")", 0), ::testing::ExitedWithCode(255), "track\\(\"\"\\): a track needs a name");
    EXPECT_EXIT(aAt("0 1 a = track(\"../up\")", 0), ::testing::ExitedWithCode(255),
                "would not lie inside the demo folder");
    folder.write("cut.track", std::string("\x02\x00\x00\x00\x00\x00\x00\x00", 8));
    EXPECT_EXIT(aAt("0 1 a = track(\"cut\")", 0), ::testing::ExitedWithCode(255),
                "Error in cut.track: it is cut short: it should hold 2 keys but has room for 0");
    folder.write("sync.txt", "bmp 120\n");
    EXPECT_EXIT(aAt("0 1 a = track(\"t\")", 0), ::testing::ExitedWithCode(255),
                "Error in sync.txt: line 1: unknown setting 'bmp'");
    // A 0 byte neither ends the message nor hides what follows it.
    folder.write("sync.txt", std::string("bpm 120\nx\0y 3\n", 15));
    EXPECT_EXIT(aAt("0 1 a = track(\"t\")", 0), ::testing::ExitedWithCode(255),
                "Error in sync.txt: line 2: unknown setting 'x\\\\x00y'; the settings are bpm and rows-per-beat\n");
}

TEST_F(TrackBuiltin, ABadTrackNameNamesItsLineInAnEditingSessionButABadTrackFileDoesNot) {
    setBuildFailurePolicy(BuildFailurePolicy::keepLastGood);
    folder.write("cut.track", std::string("\x01\x00\x00\x00", 4));
    const std::pair<std::string, std::string> cases[] = {
        {"0 1 a = 1\n\n0 2 b = track(\"../evil\")\n",
         "time.txt:3: track(\"../evil\"): the file ../evil.track would not lie inside the demo folder"},
        {"0 2 b = track(\"x/\")\n", "time.txt:1: track(\"x/\"): a track name cannot end in /"},
    };
    for (const auto& [text, message] : cases) {
        FileData file(text);
        std::unique_ptr<Demo> demo;
        EXPECT_FALSE(attemptBuild("time.txt", [&] {
            demo.reset(loadDemo(&file, trace));
            return true;
        }));
        ASSERT_EQ(currentBuildFailures().count("time.txt"), 1u) << text;
        EXPECT_EQ(currentBuildFailures().at("time.txt").rfind(message, 0), 0u) << currentBuildFailures().at("time.txt");
    }
    // A broken track file is its own file's failure; the timeline builds.
    FileData file("0 1 a = 1\n0 2 b = track(\"cut\")\n");
    std::unique_ptr<Demo> demo;
    EXPECT_TRUE(attemptBuild("time.txt", [&] {
        demo.reset(loadDemo(&file, trace));
        return true;
    }));
    ASSERT_EQ(currentBuildFailures().count("cut.track"), 1u);
    EXPECT_EQ(currentBuildFailures().at("cut.track").rfind("Error in cut.track: it is cut short", 0), 0u);
    setBuildFailurePolicy(BuildFailurePolicy::endProcess);
}

TEST_F(TrackBuiltin, TheTracksInUseAreThoseOfTheTimelineThatPlays) {
    auto inUse = [] {
        std::string names;
        for (std::size_t i = 0; i < sync::trackSet().size(); ++i)
            if (sync::trackSet()[i].inUse()) names += sync::trackSet()[i].name + " ";
        return names;
    };
    aAt("0 100 a = track(\"t\") + track(\"u\")", 0);
    EXPECT_EQ(inUse(), "t u ");
    aAt("0 100 a = track(\"u\")", 0);
    EXPECT_EQ(inUse(), "u ") << "t is no longer named";

    // A build that fails half way, after taking v into use, changes nothing.
    setBuildFailurePolicy(BuildFailurePolicy::keepLastGood);
    FileData broken("0 1 a = track(\"v\")\n0 1 b = (\n");
    std::unique_ptr<Demo> demo;
    EXPECT_FALSE(attemptBuild("time.txt", [&] {
        demo.reset(loadDemo(&broken, trace));
        return true;
    }));
    setBuildFailurePolicy(BuildFailurePolicy::endProcess);
    EXPECT_EQ(inUse(), "u ");

    // A name made at run time is in use once its line runs.
    FileData dynamic("0 100 n = \"t\"\n0 100 a = track(n)\n");
    demo.reset(loadDemo(&dynamic, trace));
    EXPECT_EQ(inUse(), "");
    demo->setTraceOutput(trace);
    demo->render(1.0f);
    EXPECT_EQ(inUse(), "t ");
}

}  // namespace
}  // namespace quadrelume
