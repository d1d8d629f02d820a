#include "script/parser.h"

#include <string>

#include "platform/fatal.h"

namespace quadrelume::script {

using parser::commaToken;
using parser::eqToken;
using parser::lparToken;
using parser::lsqrToken;
using parser::minusToken;
using parser::rparToken;
using parser::rsqrToken;

const PrecedenceEntry precedenceTable[6] = {
    {&parser::plusToken, true}, {&parser::minusToken, false}, {&parser::mulToken, true},
    {&parser::divToken, false}, {&parser::modToken, false},   {nullptr, true},
};

namespace {

constexpr const char* unexpectedEnd = "Unexpected end when parsing expr";

Tokop* front(ParseState& s) { return s.queue.front(); }

Tokop* take(ParseState& s) {
    Tokop* token = s.queue.front();
    s.queue.pop_front();
    return token;
}

bool frontIs(ParseState& s, const Tokop& token) { return !s.queue.empty() && s.queue.front() == &token; }

// Counts one level of nesting for as long as a rule is open.
struct NestingLevel {
    ParseState& state;
    explicit NestingLevel(ParseState& s) : state(s) {
        if (++state.depth > maximumNesting) fatal(tooDeepMessage);
    }
    ~NestingLevel() { --state.depth; }
};

// Index of the first entry after `level` that starts a level.
int nextLevel(int level) {
    int next = level + 1;
    while (!precedenceTable[next].startsLevel) ++next;
    return next;
}

bool isOperatorOfLevel(Tokop* token, int level) {
    for (int entry = level; entry == level || !precedenceTable[entry].startsLevel; ++entry)
        if (precedenceTable[entry].op == token) return true;
    return false;
}

// builtin-call := builtin "(" [ statement { "," statement } [ "," ] ] ")"
std::int32_t parseCall(ParseState& s) {
    Tokop* builtin = take(s);
    std::string noParenthesis = "Expected left parenthesis after the " + builtin->name() + " bif but got ";
    if (s.queue.empty()) fatal(noParenthesis + " an unexpected ending");
    if (front(s) != &lparToken) fatal(noParenthesis + front(s)->name());
    take(s);
    Node call{builtin, {}};
    for (;;) {
        if (s.queue.empty()) fatal(noParenthesis + " an unexpected ending");
        if (frontIs(s, rparToken)) break;
        call.args.push_back(parseStatement(s, false));
        if (s.queue.empty())
            fatal("Expected right parenthesis after the " + builtin->name() +
                  " arguments but got an unexpected ending");
        if (frontIs(s, commaToken)) {
            take(s);
            continue;
        }
        if (frontIs(s, rparToken)) break;
        fatal("Expected a comma for another argument or a right parenthesis to end the call to " +
              builtin->name() + " bif but got " + front(s)->name());
    }
    take(s);
    return addNode(s.program, std::move(call));
}

// list := "[" [ statement { "," statement } [ "," ] ] "]"
std::int32_t parseList(ParseState& s) {
    take(s);
    Node list{&lsqrToken, {}};
    for (;;) {
        if (s.queue.empty())
            fatal("Expected right square bracket in the array initializer but got an unexpected ending");
        if (frontIs(s, rsqrToken)) break;
        list.args.push_back(parseStatement(s, false));
        if (s.queue.empty())
            fatal("Expected right square bracket after array initializer arguments but got an unexpected ending");
        if (frontIs(s, commaToken)) {
            take(s);
            continue;
        }
        if (frontIs(s, rsqrToken)) break;
        fatal("Expected a comma for another argument or a right parenthesis to end the array initializer but got " +
              front(s)->name());
    }
    take(s);
    return addNode(s.program, std::move(list));
}

// group := "(" statement ")"
std::int32_t parseGroup(ParseState& s) {
    take(s);
    std::int32_t inner = parseStatement(s, false);
    if (s.queue.empty()) fatal("Expected right parenthesis but got an unexpected ending");
    if (front(s) != &rparToken) fatal("Expected right parenthesis but got " + front(s)->name());
    take(s);
    return inner;
}

}  // namespace

std::int32_t addNode(Program& program, Node node) {
    program.nodes.push_back(std::move(node));
    return static_cast<std::int32_t>(program.nodes.size() - 1);
}

// statement := identifier "=" statement | expression
// (the top-level statement must be an assignment)
std::int32_t parseStatement(ParseState& s, bool mustAssign) {
    NestingLevel level(s);
    if (s.queue.empty()) fatal(unexpectedEnd);
    if (front(s)->kind == TokenKind::Identifier) {
        Tokop* identifier = take(s);
        if (frontIs(s, eqToken)) {
            take(s);
            std::int32_t value = parseStatement(s, false);
            return addNode(s.program, Node{identifier, {value}});
        }
        if (!mustAssign) {
            s.queue.push_front(identifier);
            return parseExpression(s, 0);
        }
        if (s.queue.empty()) fatal("Expecting equal sign to complete an assignment but got an unexpected ending");
        fatal("Expecting equal sign to complete an assignment but got " + front(s)->name());
    }
    if (!mustAssign) return parseExpression(s, 0);
    fatal("Expecting identifer to assign to but instead got " + front(s)->name());
}

// expression(level) := expression(next) { operator-of-level expression(next) }
std::int32_t parseExpression(ParseState& s, int level) {
    if (precedenceTable[level].op == nullptr) return parsePrimary(s);
    int next = nextLevel(level);
    if (s.queue.empty()) fatal(unexpectedEnd);
    std::int32_t left = parseExpression(s, next);
    while (!s.queue.empty() && isOperatorOfLevel(front(s), level)) {
        Tokop* op = take(s);
        std::int32_t right = parseExpression(s, next);
        left = addNode(s.program, Node{op, {left, right}});
    }
    return left;
}

// primary := "-" primary | group | list | number | text | identifier | builtin-call
std::int32_t parsePrimary(ParseState& s) {
    if (s.queue.empty()) fatal("Expected more data");
    Tokop* token = front(s);
    if (token == &minusToken) {
        NestingLevel level(s);
        take(s);
        std::int32_t operand = parsePrimary(s);
        return addNode(s.program, Node{&minusToken, {operand}});
    }
    if (token == &lparToken) return parseGroup(s);
    if (token == &lsqrToken) return parseList(s);
    if (token->kind == TokenKind::Number || token->kind == TokenKind::String ||
        token->kind == TokenKind::Identifier) {
        std::int32_t index = addNode(s.program, Node{token, {}});
        take(s);
        return index;
    }
    if (token->kind == TokenKind::Builtin) return parseCall(s);
    fatal("Unexpected error at " + token->name());
}

std::unique_ptr<Program> compile(const char* text) {
    auto program = std::make_unique<Program>();
    program->tokens = tokenize(text);
    ParseState state{*program, program->tokens};
    parseStatement(state, true);
    return program;
}

}  // namespace quadrelume::script
