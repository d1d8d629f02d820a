// The player's command line: the editing session's window and trace options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace quadrelume {
namespace {

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "quadrelume");
    return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(WindowGeometry, ReadsASizeAndAnOptionalPlace) {
    struct Case {
        const char* text;
        bool good;
        int width = 0, height = 0;
        bool placed = false;
        int x = 0, y = 0;
    };
    const Case cases[] = {
        {"960x540", true, 960, 540, false, 0, 0},
        {"960x540+960+0", true, 960, 540, true, 960, 0},
        {"640x360+-20+15", true, 640, 360, true, -20, 15},
        {"1x1", true, 1, 1, false, 0, 0},
        {"16384x16384", true, 16384, 16384, false, 0, 0},
        {"960x540+32767+-32768", true, 960, 540, true, 32767, -32768},
        {"960x540+32768+0", false},
        {"960x540+0+-32769", false},
        {"16385x10", false},
        {"0x10", false},
        {"-5x10", false},
        {"10x-5", false},
        {"960", false},
        {"960x", false},
        {"x540", false},
        {"960x540+10", false},
        {"960x540+10+", false},
        {"960x540-10-10", false},
        {"960x540+1+2junk", false},
        {"", false},
    };
    for (const Case& c : cases) {
        platform::WindowLayout layout;
        layout.width = 7;
        EXPECT_EQ(parseWindowGeometry(c.text, layout), c.good) << c.text;
        if (!c.good) {
            EXPECT_EQ(layout.width, 7) << c.text << ": unchanged";
            continue;
        }
        EXPECT_EQ(layout.width, c.width) << c.text;
        EXPECT_EQ(layout.height, c.height) << c.text;
        EXPECT_EQ(layout.placed, c.placed) << c.text;
        EXPECT_EQ(layout.x, c.x) << c.text;
        EXPECT_EQ(layout.y, c.y) << c.text;
    }
}

TEST(CommandLineOptions, WindowOptionsNeedTheEditingSessionAndTraceTakesAFile) {
    CommandLine edit = parse({"--edit", "--window=800x450+10+20", "--on-top", "--fullscreen", "--trace", "-", "demo"});
    ASSERT_EQ(edit.action, CommandLine::Action::play) << edit.error;
    EXPECT_EQ(edit.window.width, 800);
    EXPECT_TRUE(edit.window.placed);
    EXPECT_TRUE(edit.window.onTop);
    EXPECT_TRUE(edit.window.fullScreen);
    EXPECT_EQ(edit.trace, "-");
    EXPECT_EQ(edit.demoFolder, "demo");

    CommandLine plain = parse({"--trace", "out.txt"});
    EXPECT_EQ(plain.action, CommandLine::Action::play) << "the plain player may trace to a file";
    EXPECT_EQ(plain.trace, "out.txt");
    EXPECT_FALSE(parse({}).trace.has_value());

    struct Refused {
        std::vector<const char*> arguments;
        const char* error;
    };
    const Refused refused[] = {
        {{"--window", "800x450"}, "--window is an option of the editing session: add --edit"},
        {{"--on-top", "--edit-less"}, "unknown option --edit-less"},
        {{"--fullscreen"}, "--fullscreen is an option of the editing session: add --edit"},
        {{"--edit", "--window", "big"},
         "--window big: expected a size and an optional place, such as 960x540 or 960x540+960+0"},
        {{"--edit", "--window"}, "--window needs a value: a size and an optional place, such as 960x540 or "
                                 "960x540+960+0"},
        {{"--trace="}, "--trace : expected a file name, or - for standard output"},
        {{"--on-top=yes", "--edit"}, "--on-top takes no value, not --on-top=yes"},
    };
    for (const Refused& r : refused) {
        CommandLine line = parse(r.arguments);
        EXPECT_EQ(line.action, CommandLine::Action::usageError) << r.error;
        EXPECT_EQ(line.error, r.error);
    }
}

}  // namespace
}  // namespace quadrelume
