#include "script/tokenizer.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/fatal.h"

namespace quadrelume::script {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isIdentifierPart(char c) { return isIdentifierStart(c) || isDigit(c); }

const char* skipBlanks(const char* at) {
    while (isBlank(*at)) ++at;
    return at;
}

// The operator whose symbol the text at `at` begins with, in table order.
// The first characters are compared before the whole symbols: most
// positions start no operator, and a long timeline tokenizes every line.
parser::opTokop* matchOperator(const char* at) {
    for (parser::opTokop* op : parser::operatorTable)
        if (op->symbol[0] == *at && std::strncmp(at, op->symbol, std::strlen(op->symbol)) == 0) return op;
    return nullptr;
}

Bif* findBuiltin(const char* at, std::size_t length) {
    for (Bif* b = builtinList; b != nullptr; b = b->next)
        if (std::strlen(b->builtinName) == length && std::memcmp(b->builtinName, at, length) == 0) return b;
    return nullptr;
}

// Frees what the queue owns (number and identifier tokens) when tokenizing
// gives up, so that a fatal handler that unwinds leaks nothing.
struct QueueGuard {
    TokenQueue* queue;
    ~QueueGuard() {
        if (queue == nullptr) return;
        for (Tokop* token : *queue)
            if (token->ownedByProgram()) delete token;
    }
};

[[noreturn]] void failAt(const char* rest, std::string message = "Parsing error on symbol:") {
    std::size_t length = std::strlen(rest);
    if (length <= maximumQuotedRest) {
        message.append(rest, length);
    } else {
        message.append(rest, maximumQuotedRest);
        message += "...";
    }
    fatal(message);
}

}  // namespace

TokenQueue tokenize(const char* text) {
    TokenQueue queue;
    QueueGuard guard{&queue};
    const char* at = skipBlanks(text);
    while (*at != '\0') {
        if (parser::opTokop* op = matchOperator(at)) {
            queue.push_back(op);
            at += std::strlen(op->symbol);
        } else if (isDigit(*at)) {
            // strtof takes what scanf's "%f" takes from text that starts with
            // a digit, except that a dangling exponent marker ("2e") is left
            // for the next token instead of failing the conversion.
            char* end = nullptr;
            float number = std::strtof(at, &end);
            queue.push_back(new parser::numTokop(number));
            at = end;
        } else if (*at == '"') {
            const char* close = std::strchr(at + 1, '"');
            if (close == nullptr) failAt(at, "Expected a closing quote after ");
            queue.push_back(new parser::strTokop(std::string(at + 1, close)));
            at = close + 1;
        } else if (isIdentifierStart(*at)) {
            const char* begin = at;
            while (isIdentifierPart(*at)) ++at;
            std::size_t length = static_cast<std::size_t>(at - begin);
            Bif* builtin = findBuiltin(begin, length);
            if (builtin != nullptr && (!builtin->onlyWhenCalled || *skipBlanks(at) == '('))
                queue.push_back(builtin);
            else
                queue.push_back(new parser::idTokop(std::string(begin, length)));
        } else {
            failAt(at);
        }
        at = skipBlanks(at);
    }
    guard.queue = nullptr;
    return queue;
}

}  // namespace quadrelume::script
