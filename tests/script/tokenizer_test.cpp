#include <gtest/gtest.h>

#include "script/lin.h"
#include "script/parser.h"
#include "script/tokenizer.h"
#include "script_test_support.h"

namespace quadrelume::script {
namespace {

using quadrelume::testing::exactStderr;

// "kind:name" per token, e.g. "id:a op:= num:1.000000 bif:lin".
std::string describeTokens(const TokenQueue& tokens) {
    static const char* kindNames[] = {"op", "num", "id", "bif", "str"};
    std::string text;
    for (Tokop* token : tokens) {
        if (!text.empty()) text += ' ';
        text += std::string(kindNames[static_cast<int>(token->kind)]) + ":" + token->name();
    }
    return text;
}

void freeTokens(TokenQueue& tokens) {
    for (Tokop* token : tokens)
        if (token->ownedByProgram()) delete token;
}

struct TokenCase {
    const char* text;
    const char* tokens;
};

TEST(Tokenizer, SplitsScriptsIntoTokens) {
    const TokenCase cases[] = {
        {"a=-1.5e2", "id:a op:= op:- num:150.000000"},
        {"x_1 = lin(0,1)", "id:x_1 op:= bif:lin op:( num:0.000000 op:, num:1.000000 op:)"},
        {"", ""},
        {" \t\r\n ", ""},
        {"2x", "num:2.000000 id:x"},
        {"a+b", "id:a op:+ id:b"},
        {"Lin%[]", "id:Lin op:% op:[ op:]"},
        {"3*4/5", "num:3.000000 op:* num:4.000000 op:/ num:5.000000"},
        {"2e", "num:2.000000 id:e"},
        {"a = \"cam:x\"", "id:a op:= str:\"cam:x\""},
        {"a=lin (\"\")+\"a b\"2", "id:a op:= bif:lin op:( str:\"\" op:) op:+ str:\"a b\" num:2.000000"},
        {"a = \"=(+\"", "id:a op:= str:\"=(+\""},
    };
    for (const auto& c : cases) {
        TokenQueue tokens = tokenize(c.text);
        EXPECT_EQ(describeTokens(tokens), c.tokens) << c.text;
        freeTokens(tokens);
    }
}

TEST(Tokenizer, SharesSingletonsAndCreatesOneObjectPerOccurrence) {
    TokenQueue tokens = tokenize("a + a + lin");
    ASSERT_EQ(tokens.size(), 5u);
    EXPECT_EQ(tokens[1], &parser::plusToken);
    EXPECT_EQ(tokens[3], &parser::plusToken);
    EXPECT_NE(tokens[0], tokens[2]);
    EXPECT_EQ(tokens[0]->name(), tokens[2]->name());
    EXPECT_EQ(tokens[4], &linBuiltin);
    freeTokens(tokens);
}

struct FailureCase {
    const char* text;
    const char* message;
};

TEST(TokenizerDeathTest, ReportsTheRestOfTheTextFromTheBadCharacter) {
    const FailureCase cases[] = {
        {"1.5.2", "Parsing error on symbol:.2"},
        {"a = 2 $ 3", "Parsing error on symbol:$ 3"},
        {".5", "Parsing error on symbol:.5"},
        {"a = b; c", "Parsing error on symbol:; c"},
        {"a = \xc3\xa9", "Parsing error on symbol:\xc3\xa9"},
    };
    for (const auto& c : cases)
        EXPECT_EXIT(tokenize(c.text), ::testing::ExitedWithCode(255), exactStderr(c.message)) << c.text;
}

TEST(TokenizerDeathTest, CutsAVeryLongRestOfText) {
    std::string text = "a = #" + std::string(10000, 'z');
    std::string shown = "Parsing error on symbol:#" + std::string(maximumQuotedRest - 1, 'z') + "...";
    EXPECT_EXIT(tokenize(text.c_str()), ::testing::ExitedWithCode(255), exactStderr(shown));
}

TEST(Tokop, NamesAndTheOperatorTable) {
    EXPECT_EQ(Tokop(TokenKind::Operator).name(), "UNKNOWN!");
    EXPECT_FALSE(Tokop(TokenKind::Operator).isOperator());
    std::string symbols;
    for (parser::opTokop* op : parser::operatorTable) {
        EXPECT_TRUE(op->isOperator());
        EXPECT_EQ(op->kind, TokenKind::Operator);
        EXPECT_EQ(op->name(), op->symbol);
        symbols += op->name();
    }
    EXPECT_EQ(symbols, "=+-*/%()[],");
    EXPECT_STREQ(parser::operatorTable[2]->longName, "minus");
    EXPECT_EQ(parser::numTokop(2.5f).name(), "2.500000");
    EXPECT_EQ(parser::idTokop("glow").name(), "glow");
    EXPECT_EQ(linBuiltin.name(), "lin");
}

TEST(TokopDeathTest, PunctuationNeverEvaluates) {
    Value result = zeroValue();
    EvalContext context;
    EXPECT_DEATH(parser::commaToken.evaluate(result, context, 0, nullptr), "");
    EXPECT_DEATH(Tokop(TokenKind::Operator).evaluate(result, context, 0, nullptr), "");
}

}  // namespace
}  // namespace quadrelume::script
