// The timeline loader over file texts. Effect lines here name shaders that do
// not exist, so no GL context is needed; building real shaders is covered by
// the rendering and player tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "reload/build_failure.h"
#include "render/effect_range.h"
#include "render/render_buffer.h"
#include "reload/split_lines.h"
#include "timeline/timeline_line.h"
#include "script/value.h"
#include "timeline/demo_loader.h"
#include "timeline/expression_range.h"

namespace quadrelume {
namespace {

// Loads `text` and keeps what the loader traced.
struct Loaded {
    explicit Loaded(const std::string& text) {
        std::FILE* trace = std::tmpfile();
        FileData file(text);
        demo.reset(loadDemo(&file, trace));
        std::rewind(trace);
        for (int c; (c = std::fgetc(trace)) != EOF;) lines += static_cast<char>(c);
        std::fclose(trace);
        demo->setTraceOutput(stdout);
    }
    std::unique_ptr<Demo> demo;
    std::string lines;
};

TEST(DemoLoader, TracesEveryNonBlankLineWithItsNumberBeforeActing) {
    Loaded loaded("\n0 30 speed = lin(0, 2)\n \t\n12,5 20 !#flash\n40 45 !#credits\n");
    EXPECT_EQ(loaded.lines,
              "Line:1 -> 0.000000 30.000000 'speed = lin(0, 2)'\n"
              "Line:3 -> 12.500000 20.000000 '!#flash'\n"
              "Line:4 -> 40.000000 45.000000 '!#credits'\n");
    ASSERT_EQ(loaded.demo->ranges.size(), 1u) << "disabled lines build nothing";
    EXPECT_EQ(loaded.demo->endTime, 45.0f) << "but they still extend the timeline";
}

TEST(DemoLoader, EmptyFileGivesNoRangesAndEndTimeZero) {
    for (const char* text : {"", "\n\n", " \t \r\n"}) {
        Loaded loaded(text);
        EXPECT_TRUE(loaded.demo->ranges.empty());
        EXPECT_EQ(loaded.demo->endTime, 0.0f);
        EXPECT_EQ(loaded.lines, "");
    }
}

TEST(DemoLoader, LineEndsDecideTheNumbering) {
    // CR LF and LF end one line each; LF CR ends two (an extra blank line).
    EXPECT_EQ(Loaded("0 1 a = 1\r\n0 2 b = 2\r\n").lines,
              "Line:0 -> 0.000000 1.000000 'a = 1'\nLine:1 -> 0.000000 2.000000 'b = 2'\n");
    EXPECT_EQ(Loaded("0 1 a = 1\n0 2 b = 2").lines,
              "Line:0 -> 0.000000 1.000000 'a = 1'\nLine:1 -> 0.000000 2.000000 'b = 2'\n");
    EXPECT_EQ(Loaded("0 1 a = 1\n\r0 2 b = 2\n\r").lines,
              "Line:0 -> 0.000000 1.000000 'a = 1'\nLine:2 -> 0.000000 2.000000 'b = 2'\n");
}

TEST(DemoLoader, EndTimeIsTheLargestEndAndNeverNegative) {
    EXPECT_EQ(Loaded("0 5 a = 1\n10 5 b = 1\n0 7,25 c = 1\n0 3 d = 1").demo->endTime, 7.25f);
    EXPECT_EQ(Loaded("-5 -1 a = 1\n-3 -2 b = 1").demo->endTime, 0.0f);
}

TEST(DemoLoader, RangesKeepFileOrderTimesAndActions) {
    Loaded loaded("10 5 never = 1\n1,5 2,5 x = 1\n0 9 #missing effect  \n3 4 # lead\n");
    auto& ranges = loaded.demo->ranges;
    ASSERT_EQ(ranges.size(), 4u);
    EXPECT_EQ(ranges[0]->start, 10.0f);
    EXPECT_EQ(ranges[0]->end, 5.0f);
    EXPECT_EQ(ranges[1]->start, 1.5f);
    EXPECT_EQ(ranges[1]->end, 2.5f);
    ASSERT_NE(dynamic_cast<ExpressionRange*>(ranges[1].get()), nullptr);

    auto* effect = dynamic_cast<EffectRange*>(ranges[2].get());
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->shaderFile, "missing effect  .ps") << "blanks after the name belong to it";
    EXPECT_EQ(effect->shader, nullptr);
    EXPECT_EQ(effect->start, 0.0f);
    EXPECT_EQ(effect->end, 9.0f);
    auto* lead = dynamic_cast<EffectRange*>(ranges[3].get());
    ASSERT_NE(lead, nullptr);
    EXPECT_EQ(lead->shaderFile, " lead.ps");
    EXPECT_EQ(lead->variables, &loaded.demo->variables);

    // The reversed range never runs; the other assigns at its time.
    loaded.demo->render(2.0f);
    EXPECT_EQ(loaded.demo->variables.find("never"), nullptr);
    ASSERT_NE(loaded.demo->variables.find("x"), nullptr);
}

TEST(DemoLoader, ExpressionRangesRunOnTheDemosVariables) {
    Loaded loaded("0 10 a = lin(0, 10)\n0 10 b = a * 2\n");
    loaded.demo->render(2.5f);
    const Value* b = loaded.demo->variables.find("b");
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->kind, ValueKind::Number);
    EXPECT_FLOAT_EQ(b->number, 5.0f);
}

TEST(DemoLoader, LinesWithoutTwoTimesAreTracedAsIgnored) {
    Loaded loaded("0 1 a = 1\n12\n\f\n0 2 b = 1\n");
    EXPECT_EQ(loaded.lines,
              "Line:0 -> 0.000000 1.000000 'a = 1'\n"
              "Line:1 -> ignored, it needs a start and an end time: '12'\n"
              "Line:2 -> ignored, it needs a start and an end time: '\f'\n"
              "Line:3 -> 0.000000 2.000000 'b = 1'\n");
    EXPECT_EQ(loaded.demo->ranges.size(), 2u);
    EXPECT_EQ(loaded.demo->endTime, 2.0f);
}

TEST(DemoLoaderDeathTest, SyntaxErrorEndsTheProgramAfterItsLineIsTraced) {
    EXPECT_EXIT(
        {
            FileData file("0 1 a = 1\n0 2 b = (1 +\n0 3 c = 1\n");
            loadDemo(&file, stdout);
        },
        ::testing::ExitedWithCode(255), "Unexpected end when parsing expr");
    // An empty action is an empty statement.
    EXPECT_EXIT(
        {
            FileData file("1 2\n");
            loadDemo(&file, stdout);
        },
        ::testing::ExitedWithCode(255), "Unexpected end when parsing expr");
}

TEST(DemoLoader, RangesKnowTheirLineAndASyntaxErrorNamesItInAnEditingSession) {
    Loaded loaded("0 1 a = 1\n\n2 3 #glow\n");
    ASSERT_EQ(loaded.demo->ranges.size(), 2u);
    EXPECT_EQ(loaded.demo->ranges[1]->line, 2);
    EXPECT_EQ(loaded.demo->ranges[1]->action, "#glow");

    setBuildFailurePolicy(BuildFailurePolicy::keepLastGood);
    std::FILE* trace = std::tmpfile();
    FileData file("0 1 a = 1\n\n0 2 b = \n");
    std::unique_ptr<Demo> demo;
    EXPECT_FALSE(attemptBuild("time.txt", [&] {
        demo.reset(loadDemo(&file, trace));
        return true;
    }));
    std::fclose(trace);
    ASSERT_EQ(currentBuildFailures().count("time.txt"), 1u);
    EXPECT_EQ(currentBuildFailures().at("time.txt"), "time.txt:3: Unexpected end when parsing expr")
        << "the line as editors count it";
    setBuildFailurePolicy(BuildFailurePolicy::endProcess);
}

TEST(DemoLoaderDeathTest, ThePlainPlayersMessageNamesNoLine) {
    EXPECT_EXIT(
        {
            FileData file("0 1 a = 1\n0 2 b = \n");
            loadDemo(&file, stdout);
        },
        ::testing::ExitedWithCode(255), "^Unexpected end when parsing expr\n$");
}

// What a range draws into: "screen" for an effect range without a buffer,
// "NAME/N" for one drawing into a buffer, "script" for an expression range.
std::string targetOf(const TimeRange& range) {
    const auto* effect = dynamic_cast<const EffectRange*>(&range);
    if (effect == nullptr) return "script";
    if (effect->target == nullptr) return "screen";
    return effect->target->name() + "/" + std::to_string(effect->target->divisor());
}

TEST(DemoLoader, LineKindsComeFromTheirActions) {
    struct Case {
        const char* action;
        const char* target;    // empty: the line builds nothing
        const char* shader;    // for effect ranges
    };
    const Case cases[] = {
        {"#glow", "screen", "glow.ps"},
        {"# glow ", "screen", " glow .ps"},
        {"glow = #blur", "glow/1", "blur.ps"},
        {"glow=#blur", "glow/1", "blur.ps"},
        {"glow/2 = #blur", "glow/2", "blur.ps"},
        {"_g2 \t/ 16\t= # soft blur", "_g2/16", " soft blur.ps"},
        {"!glow = #blur", "", ""},
        {"!#glow", "", ""},
        {"glow = 2 / 4", "script", ""},
        {"glow = blur", "script", ""},
        // A later line may leave the size out; it is the first line's.
        {"glow/2 = #a\n0 1 glow = #b", "glow/2", "b.ps"},
    };
    for (const Case& c : cases) {
        Loaded loaded(std::string("0 1 ") + c.action + "\n");
        if (*c.target == 0) {
            EXPECT_TRUE(loaded.demo->ranges.empty()) << c.action;
            continue;
        }
        ASSERT_FALSE(loaded.demo->ranges.empty()) << c.action;
        EXPECT_EQ(targetOf(*loaded.demo->ranges.back()), c.target) << c.action;
        if (auto* effect = dynamic_cast<EffectRange*>(loaded.demo->ranges.back().get())) {
            EXPECT_EQ(effect->shaderFile, c.shader) << c.action;
            EXPECT_EQ(effect->buffers, &loaded.demo->buffers) << c.action;
        }
    }
}

// Whether `line` could be in a timeline that loaded before buffers existed:
// a "#" in an assignment was a syntax error wherever it stood.
bool loadedBeforeBuffers(const std::string& line) {
    std::optional<TimelineLine> parsed = parseTimelineLine(line);
    return !parsed || parsed->action.empty() || parsed->action[0] == '#' || parsed->action[0] == '!' ||
           parsed->action.find('#') == std::string::npos;
}

// Every timeline that loaded before buffers existed means what it meant:
// its lines build the ranges that the first character of their action
// chose, and no buffers. The examples' timelines count without the lines
// they have gained since.
TEST(DemoLoader, TimelinesWithoutBufferLinesLoadAsTheyDid) {
    std::vector<std::string> timelines = {
        "0 30 speed = lin(0, 2)\n12,5 20 #flash\n40 45 !#credits\n0 9 #fx/tunnel\n",
        "0 1 a = b / 2\n0 1 glow = glow2 / 2\n0 1 t = [1, 2] * 2\n3 4 # lead\n0 0 ! a = #b\n",
    };
    for (const auto& entry : std::filesystem::directory_iterator(QUADRELUME_EXAMPLES)) {
        std::unique_ptr<ReloadableFileData> file = loadReloadableFile((entry.path() / "time.txt").string());
        ASSERT_NE(file, nullptr) << entry.path();
        std::string text;
        for (const std::string& line : splitLines(*file))
            if (loadedBeforeBuffers(line)) text += line + "\n";
        timelines.push_back(text);
    }
    for (const std::string& text : timelines) {
        Loaded loaded(text);
        EXPECT_TRUE(loaded.demo->buffers.empty()) << text;
        std::vector<std::string> expected;
        for (const std::string& line : splitLines(FileData(text))) {
            std::optional<TimelineLine> parsed = parseTimelineLine(line);
            if (!parsed || parsed->action[0] == '!') continue;
            expected.push_back(parsed->action[0] == '#' ? "screen" : "script");
        }
        std::vector<std::string> built;
        for (const auto& range : loaded.demo->ranges) built.push_back(targetOf(*range));
        EXPECT_EQ(built, expected) << text;
    }
}

TEST(DemoLoader, AWrongBufferLineNamesItsLineInAnEditingSession) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"0 1 a = 1\n0 1 glow/2 = #a\n\n0 1 glow/4 = #b\n",
         "time.txt:4: The buffer glow is 1/2 of the picture since line 2; this line asks for 1/4 of the picture"},
        {"0 1 glow/0 = #a\n",
         "time.txt:1: The size of the buffer glow is the picture's divided by a whole number from 1 to 16, not /0"},
        {"0 1 time/2 = #a\n",
         "time.txt:1: A buffer cannot be called time: a sampler of that name takes the built-in value"},
    };
    setBuildFailurePolicy(BuildFailurePolicy::keepLastGood);
    for (const Case& c : cases) {
        FileData file(c.text);
        std::FILE* trace = std::tmpfile();
        std::unique_ptr<Demo> demo;
        EXPECT_FALSE(attemptBuild("time.txt", [&] {
            demo.reset(loadDemo(&file, trace));
            return true;
        }));
        std::fclose(trace);
        ASSERT_EQ(currentBuildFailures().count("time.txt"), 1u) << c.text;
        EXPECT_EQ(currentBuildFailures().at("time.txt"), c.message);
    }
    setBuildFailurePolicy(BuildFailurePolicy::endProcess);
}

TEST(DemoLoaderDeathTest, TheWrongBufferLineIsTheLastOneTracedBeforeThePlainPlayerEnds) {
    EXPECT_EXIT(
        {
            FileData file("0 1 glow/2 = #a\n0 1 glow/4 = #b\n0 1 c = 1\n");
            loadDemo(&file, stderr);
        },
        ::testing::ExitedWithCode(255),
        "Line:1 -> 0.000000 1.000000 'glow/4 = #b'\nThe buffer glow is 1/2 of the picture since line 1; this line "
        "asks for 1/4 of the picture\n$");
}

}  // namespace
}  // namespace quadrelume
