// quadrelume-publish as an author runs it: what a site holds, and every
// refusal, each with its exit code and message, and nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/music_analysis.h"
#include "clock/music_fixtures.h"
#include "support/png_writer.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "web/shipped_music_table.h"

namespace quadrelume {
namespace {

using namespace quadrelume::testing;
namespace fs = std::filesystem;

struct PublishRun {
    int code = -1;
    std::string errors;
};

PublishRun publish(const std::vector<std::string>& arguments, const std::string& folder) {
    std::vector<std::string> argv{QUADRELUME_PUBLISH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Process process(argv, folder, {{"DISPLAY", ""}});
    return {process.waitForExit(60).value_or(-1), process.errors()};
}

std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Every file below `folder`, relative to it, sorted.
std::vector<std::string> filesBelow(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

constexpr const char* fillShader =
    "precision mediump float;\nuniform float c;\nvoid main() { gl_FragColor = vec4(c, 0.5, 0.2, 1.0); }\n";
constexpr const char* textureShader =
    "precision mediump float;\nuniform vec2 resolution;\nuniform sampler2D tiles;\nuniform sampler2D indexed;\n"
    "void main() { gl_FragColor = texture2D(tiles, gl_FragCoord.xy / resolution)"
    " + texture2D(indexed, gl_FragCoord.xy / resolution); }\n";

TEST(Publish, TheSiteHoldsThePlayerAndWhatTheDemoReads) {
#ifndef QUADRELUME_HAS_WEB_PLAYER
    GTEST_SKIP() << "this build has no web player to publish with (a sanitized build leaves it out)";
#endif
    TempDir dir;
    const std::string demo = dir.file("my demo");
    fs::create_directories(demo + "/fx");
    TempDir source;
    const auto write = [&](const std::string& name, const std::string& text) { writeFile(demo + "/" + name, text); };
    write("time.txt",
          "0 0 ! notes\n0 10 c = track(\"cam:x\") + track(\"unsaved\")\n0 10 #fill\n5 10 #fx/textured\n"
          "6 6 #never\n0 10 #missing\n2 3 glow/2 = #lit\n7 8 d = level()\n");
    write("fill.ps", fillShader);
    write("fx/textured.ps", textureShader);
    // Sampled only by an effect that draws into a buffer.
    write("lit.ps", "precision mediump float;\nuniform sampler2D spark;\n"
                    "void main() { gl_FragColor = texture2D(spark, vec2(0.5)); }\n");
    write("spark.png", encodePng({2, 2, 8, 2, false, std::vector<std::uint8_t>(12, 200)}));
    write("never.ps", fillShader);  // a range that is never active: read as the timeline loads all the same
    write("unused.ps", fillShader);
    write("tiles.png", encodePng({2, 3, 8, 2, false, std::vector<std::uint8_t>(18, 90)}));
    write("indexed.png", encodePng({2, 2, 8, 3, false, {0, 1, 2, 3}}));
    write("cam-3Ax.track", std::string("\1\0\0\0\0\0\0\0\0\0\x80\x3f\0", 13));
    write("sync.txt", "bpm 140\n");
    write("notes.txt", "not the demo's\n");
    const std::string music = encodeTone(source, {44100, 2, 0.5, 440.0});
    write("demo.ogg", music);

    // An empty folder that exists already takes the site.
    fs::create_directories(dir.file("site"));
    const PublishRun run = publish({"--demo", "my demo", "site"}, dir.path());
    ASSERT_EQ(run.code, 0) << run.errors;
    EXPECT_NE(run.errors.find("indexed.png is left out: the player cannot use it"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("tiles.png is 2 x 3: WebGL 1 samples"), std::string::npos) << run.errors;
    const std::vector<std::string> demoFiles = {"cam-3Ax.track", "demo.ogg",  "demo.ogg.table.z", "fill.ps",
                                                "fx/textured.ps", "lit.ps",   "never.ps",         "spark.png",
                                                "sync.txt",       "tiles.png", "time.txt"};
    std::vector<std::string> expected = {"demo-files.txt", "index.html", "loader.js", "quadrelume.js",
                                         "quadrelume.wasm"};
    for (const std::string& file : demoFiles) expected.push_back("demo/" + file);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filesBelow(dir.file("site")), expected);
    std::istringstream list(contentsOf(dir.file("site/demo-files.txt")));
    std::vector<std::string> listed;
    for (std::string line; std::getline(list, line);) listed.push_back(line);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, demoFiles);
    for (const std::string& file : demoFiles) {
        if (file == shippedMusicTableName) continue;
        EXPECT_EQ(contentsOf(dir.file("site/demo/" + file)), contentsOf(demo + "/" + file)) << file;
    }
    // The music's analysis, made for the page, reads back as the player's.
    std::optional<analysis::MusicTable> shipped =
        readShippedMusicTable(contentsOf(dir.file(std::string("site/demo/") + shippedMusicTableName)));
    ASSERT_TRUE(shipped);
    FileData musicFile(music);
    analysis::MusicAnalysis analysed(musicFile);
    const analysis::MusicTable& player = analysed.complete();
    EXPECT_EQ(shipped->rowCount, player.rowCount);
    EXPECT_TRUE(shipped->rows == player.rows);
    EXPECT_TRUE(shipped->waveform.empty());
    EXPECT_NE(contentsOf(dir.file("site/index.html")).find("<title>my demo</title>"), std::string::npos);
    // Nothing else was written beside it.
    EXPECT_EQ(filesBelow(dir.path()).size(), expected.size() + filesBelow(demo).size());
}

// The music's analysis goes with the site only where some range reads it:
// it weighs about as much as the music.
TEST(Publish, TheMusicsAnalysisGoesWithASiteWhosePicturesFollowTheMusic) {
#ifndef QUADRELUME_HAS_WEB_PLAYER
    GTEST_SKIP() << "this build has no web player to publish with (a sanitized build leaves it out)";
#endif
    TempDir dir;
    TempDir source;
    const std::string music = encodeTone(source, {44100, 2, 0.5, 440.0});
    constexpr const char* spectrumShader =
        "precision mediump float;\nuniform sampler2D spectrum;\n"
        "void main() { gl_FragColor = texture2D(spectrum, vec2(0.5)); }\n";
    struct Case {
        const char* name;
        std::map<std::string, std::string> files;  // besides demo.ogg
        bool shipped;
    };
    const Case cases[] = {
        {"a script", {{"time.txt", "0 4 c = lin(0, 1)\n2 3 b = bands()\n0 4 #fill\n"}, {"fill.ps", fillShader}}, true},
        {"an effect that draws into a buffer",
         {{"time.txt", "0 4 c = 1\n0 4 #fill\n1 2 echo/4 = #bars\n"}, {"fill.ps", fillShader}, {"bars.ps", spectrumShader}},
         true},
        {"an image in the spectrum's place",
         {{"time.txt", "0 4 #bars\n"}, {"bars.ps", spectrumShader},
          {"spectrum.png", encodePng({2, 2, 8, 2, false, std::vector<std::uint8_t>(12, 9)})}},
         false},
        {"nothing", {{"time.txt", "0 4 c = lin(0, 1)\n0 4 #fill\n"}, {"fill.ps", fillShader}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string demo = dir.file(std::string(c.name));
        fs::create_directories(demo);
        for (const auto& [name, contents] : c.files) writeFile(demo + "/" + name, contents);
        writeFile(demo + "/demo.ogg", music);
        const PublishRun run = publish({"--demo", c.name, std::string(c.name) + " site"}, dir.path());
        ASSERT_EQ(run.code, 0) << run.errors;
        const std::string list = contentsOf(dir.file(std::string(c.name) + " site/demo-files.txt"));
        EXPECT_EQ(list.find(shippedMusicTableName) != std::string::npos, c.shipped) << list;
    }
}

TEST(Publish, ADemoThatWouldNotPlayOrABadOutputIsRefusedAndNothingIsWritten) {
    TempDir dir;
    TempDir source;
    const std::string good = "0 4 c = lin(0, 1)\n0 4 #fill\n";
    const std::string tone = encodeTone(source, {44100, 2, 2.0, 440.0});
    const std::string second = encodeTone(source, {44100, 2, 1.0, 660.0, 2});
    struct Case {
        const char* name;
        std::map<std::string, std::string> files;  // the demo folder's
        std::vector<std::string> arguments;        // run in the test's folder, which holds the demo as "demo"
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"a broken shader", {{"time.txt", good}, {"fill.ps", "void main() { gl_FragColor = vec4(1.0) }\n"}},
         {"--demo", "demo", "out"}, 1, "Error in fill.ps:"},
        {"a script syntax error", {{"time.txt", "0 4 c = 1 +\n"}}, {"--demo", "demo", "out"}, 1,
         "Unexpected end when parsing expr"},
        {"no timeline", {{"fill.ps", fillShader}}, {"--demo", "demo", "out"}, 1, "Could not load the timeline file"},
        {"a 16-bit texture",
         {{"time.txt", "0 4 #textured\n"}, {"textured.ps", textureShader},
          {"tiles.png", encodePng({1, 1, 16, 2, false, std::vector<std::uint8_t>(6, 7)})}},
         {"--demo", "demo", "out"}, 1, "Only supporting 8bit per channel formats right now"},
        {"a track file that is none", {{"time.txt", "0 4 c = track(\"flash\")\n"}, {"flash.track", "xyz"}},
         {"--demo", "demo", "out"}, 1, "Error in flash.track:"},
        {"music that is no Ogg Vorbis", {{"time.txt", good}, {"fill.ps", fillShader}, {"demo.ogg", std::string(9000, 'x')}},
         {"--demo", "demo", "out"}, 1, "OGG not seekable"},
        {"mono music", {{"time.txt", good}, {"fill.ps", fillShader}, {"demo.ogg", encodeTone(source, {44100, 1, 1.0})}},
         {"--demo", "demo", "out"}, 1, "Cannot use mono channel vorbis files at this time"},
        {"damaged music", {{"time.txt", good}, {"fill.ps", fillShader}, {"demo.ogg", withBytesZeroed(tone, 0.4, 0.6)}},
         {"--demo", "demo", "out"}, 1, "demo.ogg is damaged:"},
        {"chained music", {{"time.txt", good}, {"fill.ps", fillShader}, {"demo.ogg", tone + second}},
         {"--demo", "demo", "out"}, 1, "chained file"},
        {"an effect outside the demo", {{"inner/time.txt", "0 4 #../fill\n"}, {"fill.ps", fillShader}},
         {"--demo", "demo/inner", "out"}, 1,
         "../fill.ps: the demo reads it from outside its folder"},
        {"an output inside the demo", {{"time.txt", good}, {"fill.ps", fillShader}}, {"--demo", "demo", "demo/site"},
         2, "that is inside the demo folder"},
        {"the demo folder as output", {{"time.txt", good}}, {"--demo", "demo", "demo/"}, 2,
         "that is inside the demo folder"},
        {"an output linked into the demo", {{"time.txt", good}}, {"--demo", "demo", "linked/site"}, 2,
         "that is inside the demo folder"},
        {"an output that is not empty", {{"time.txt", good}}, {"--demo", "demo", "full"}, 2,
         "that folder is not empty"},
        {"an output that is a file", {{"time.txt", good}}, {"--demo", "demo", "full/file"}, 2, "that is not a folder"},
        {"an output in no folder", {{"time.txt", good}}, {"--demo", "demo", "nowhere/out"}, 2, "does not exist"},
        {"no demo folder", {}, {"--demo", "elsewhere", "out"}, 2, "--demo elsewhere: no such folder"},
        {"no output", {{"time.txt", good}}, {"--demo", "demo"}, 2, "no OUTDIR given"},
        {"an unknown option", {{"time.txt", good}}, {"--size", "10x10", "out"}, 2, "unknown option --size"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        fs::create_directories(folder.file("demo/inner"));
        fs::create_directories(folder.file("full"));
        writeFile(folder.file("full/file"), "the author's\n");
        fs::create_directory_symlink(folder.file("demo"), folder.file("linked"));
        for (const auto& [name, contents] : c.files) writeFile(folder.file("demo/" + name), contents);
        const std::vector<std::string> before = filesBelow(folder.path());
        const PublishRun run = publish(c.arguments, folder.path());
        EXPECT_EQ(run.code, c.code) << run.errors;
        EXPECT_EQ(run.errors.rfind("quadrelume-publish: ", 0), 0u) << run.errors;
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
        EXPECT_EQ(filesBelow(folder.path()), before);
        EXPECT_FALSE(fs::exists(folder.file("out")));
    }
}

TEST(Publish, HelpAndVersion) {
    TempDir dir;
    Process help({QUADRELUME_PUBLISH, "--help"}, dir.path());
    ASSERT_EQ(help.waitForExit(10), 0);
    EXPECT_EQ(help.output().rfind("usage: quadrelume-publish [options] OUTDIR\n", 0), 0u) << help.output();
    Process version({QUADRELUME_PUBLISH, "--version"}, dir.path());
    ASSERT_EQ(version.waitForExit(10), 0);
    EXPECT_EQ(version.output(), std::string("quadrelume-publish ") + QUADRELUME_VERSION + "\n");
}

}  // namespace
}  // namespace quadrelume
