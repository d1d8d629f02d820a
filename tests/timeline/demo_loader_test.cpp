// The timeline loader over file texts. Effect lines here name shaders that do
// not exist, so no GL context is needed; building real shaders is covered by
// the rendering and player tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "reload/build_failure.h"
#include "render/effect_range.h"
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

}  // namespace
}  // namespace quadrelume
