#include <gtest/gtest.h>

#include "script/parser.h"
#include "script_test_support.h"

namespace quadrelume::script {
namespace {

using quadrelume::testing::describe;
using quadrelume::testing::exactStderr;

struct ShapeCase {
    const char* script;
    const char* nodes;
};

TEST(Parser, BuildsFlatProgramsInEvaluationOrder) {
    const ShapeCase cases[] = {
        {"a = 1 + 2 * 3", "1.000000 2.000000 3.000000 *(1,2) +(0,3) a(4)"},
        {"a = 8 - 2 - 1", "8.000000 2.000000 -(0,1) 1.000000 -(2,3) a(4)"},
        {"a = -2 * 3", "2.000000 -(0) 3.000000 *(1,2) a(3)"},
        {"a = 2 * -3", "2.000000 3.000000 -(1) *(0,2) a(3)"},
        {"a = b = c", "c b(0) a(1)"},
        {"a = (b = 2) * 3", "2.000000 b(0) 3.000000 *(1,2) a(3)"},
        {"a = lin()", "lin a(0)"},
        {"a = lin(1,)", "1.000000 lin(0) a(1)"},
        {"a = [1,2,]", "1.000000 2.000000 [(0,1) a(2)"},
        {"a = []", "[ a(0)"},
        {"a = 6 / 3 % 2 + 1", "6.000000 3.000000 /(0,1) 2.000000 %(2,3) 1.000000 +(4,5) a(6)"},
        {"a = x", "x a(0)"},
        {"a = 1 b = 2", "1.000000 a(0)"},
        {"a = ((1))", "1.000000 a(0)"},
    };
    for (const auto& c : cases) {
        auto program = compile(c.script);
        EXPECT_EQ(describe(*program), c.nodes) << c.script;
    }
}

TEST(Parser, KeepsTheTokenizerOutputWhole) {
    auto program = compile("a = (1) b");
    EXPECT_EQ(program->tokens.size(), 6u);
}

struct ErrorCase {
    const char* script;
    std::string message;
};

TEST(ParserDeathTest, EverySyntaxErrorHasItsMessage) {
    const std::string comma =
        "Expected a comma for another argument or a right parenthesis to end the array initializer but got ";
    const ErrorCase cases[] = {
        {"", "Unexpected end when parsing expr"},
        {"x", "Expecting equal sign to complete an assignment but got an unexpected ending"},
        {"x 1", "Expecting equal sign to complete an assignment but got 1.000000"},
        {"1 = 2", "Expecting identifer to assign to but instead got 1.000000"},
        {"lin = 2", "Expecting identifer to assign to but instead got lin"},
        {"a = 1 +", "Unexpected end when parsing expr"},
        {"a =", "Unexpected end when parsing expr"},
        {"a = -", "Expected more data"},
        {"a = [1 2]", comma + "2.000000"},
        {"a = [", "Expected right square bracket in the array initializer but got an unexpected ending"},
        {"a = [1", "Expected right square bracket after array initializer arguments but got an unexpected ending"},
        {"a = lin", "Expected left parenthesis after the lin bif but got  an unexpected ending"},
        {"a = lin(", "Expected left parenthesis after the lin bif but got  an unexpected ending"},
        {"a = lin 1", "Expected left parenthesis after the lin bif but got 1.000000"},
        {"a = lin(1", "Expected right parenthesis after the lin arguments but got an unexpected ending"},
        {"a = lin(1 2)",
         "Expected a comma for another argument or a right parenthesis to end the call to lin bif but got 2.000000"},
        {"a = )", "Unexpected error at )"},
        {"a = (1 + ())", "Unexpected error at )"},
        {"a = +1", "Unexpected error at +"},
        {"a = (1", "Expected right parenthesis but got an unexpected ending"},
        {"a = (1 2)", "Expected right parenthesis but got 2.000000"},
        {"\"x\" = 2", "Expecting identifer to assign to but instead got \"x\""},
        {"a = lin(\"cam) + 1", "Expected a closing quote after \"cam) + 1"},
    };
    for (const auto& c : cases)
        EXPECT_EXIT(compile(c.script), ::testing::ExitedWithCode(255), exactStderr(c.message)) << c.script;
}

TEST(ParserDeathTest, DeepNestingIsASyntaxErrorNotAStackOverflow) {
    const int depth = 100000;
    const std::string deepInputs[] = {
        "a = " + std::string(depth, '(') + "1" + std::string(depth, ')'),
        "a = " + std::string(depth, '['),
        "a = " + std::string(depth, '-') + "1",
    };
    std::string chain = "a";
    for (int i = 0; i < depth; ++i) chain += " = a";
    for (const std::string& text : {deepInputs[0], deepInputs[1], deepInputs[2], chain})
        EXPECT_EXIT(compile(text.c_str()), ::testing::ExitedWithCode(255), exactStderr(tooDeepMessage));
}

TEST(Parser, NestingUpToTheLimitCompiles) {
    // The top-level statement and its right-hand side take two levels.
    const int parentheses = maximumNesting - 2;
    std::string text = "a = " + std::string(parentheses, '(') + "1" + std::string(parentheses, ')');
    EXPECT_EQ(describe(*compile(text.c_str())), "1.000000 a(0)");
}

TEST(ParserDeathTest, OneLevelPastTheLimitFails) {
    const int parentheses = maximumNesting - 1;
    std::string text = "a = " + std::string(parentheses, '(') + "1" + std::string(parentheses, ')');
    EXPECT_EXIT(compile(text.c_str()), ::testing::ExitedWithCode(255), exactStderr(tooDeepMessage));
}

}  // namespace
}  // namespace quadrelume::script
