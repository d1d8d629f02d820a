// Token objects: the lexical elements of a script, which are also the
// operations of a compiled program.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "script/eval_context.h"
#include "script/value.h"

namespace quadrelume::script {

// Which family a token belongs to; the parser dispatches on it.
enum class TokenKind : std::int32_t { Operator = 0, Number = 1, Identifier = 2, Builtin = 3, String = 4 };

// Root of the token family. Operator, punctuation and built-in tokens are
// process-wide singletons; number and identifier tokens belong to the
// program compiled from them.
class Tokop {
public:
    TokenKind kind;

    constexpr explicit Tokop(TokenKind tokenKind) : kind(tokenKind) {}
    virtual ~Tokop() = default;

    // True for operators and punctuation (opTokop and everything below it).
    virtual bool isOperator() const;

    // The printable name used in parser messages; "UNKNOWN!" here.
    virtual std::string name() const;

    // Computes a node's value from `argCount` evaluated arguments at `args`,
    // writes it into `result` and returns it. Tokens that never become nodes
    // (punctuation, the bases) abort: reaching them is a compiler bug.
    virtual Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args);

    // Whether the token was made for one occurrence in a script (a number,
    // a name or a text), so that the program holding it owns it.
    bool ownedByProgram() const {
        return kind == TokenKind::Number || kind == TokenKind::Identifier || kind == TokenKind::String;
    }
};

// Root of the built-in functions. `next` links the process-wide builtinList.
class Bif : public Tokop {
public:
    const char* builtinName;  // the name a script calls it by
    Bif* next = nullptr;      // the following entry of builtinList
    // The name means the built-in only where "(" follows it, and is an
    // ordinary variable name everywhere else: timelines written before a
    // built-in of that name existed may use it as a variable.
    bool onlyWhenCalled;

    constexpr explicit Bif(const char* scriptName, bool nameOnlyWhenCalled = false)
        : Tokop(TokenKind::Builtin), builtinName(scriptName), onlyWhenCalled(nameOnlyWhenCalled) {}

    // `builtinName`.
    std::string name() const override;
};

// The built-ins, linked through Bif::next, "lin" first; null-terminated.
extern Bif* builtinList;

// Links `builtin` into builtinList. The list reads as if the built-ins had
// been pushed at the front in the order keyframe, gtime, rtime, ltime, halt,
// lin, whatever order the translation units happen to register in; unknown
// names go to the end. Called by the registering translation units during
// static initialisation.
void registerBuiltin(Bif* builtin);

}  // namespace quadrelume::script

namespace quadrelume::script::parser {

// Operators and punctuation. The parser knows them by address, never by text.
class opTokop : public Tokop {
public:
    const char* longName;  // descriptive only
    const char* symbol;    // the text the tokenizer matches and messages show

    constexpr opTokop(const char* descriptiveName, const char* text)
        : Tokop(TokenKind::Operator), longName(descriptiveName), symbol(text) {}

    bool isOperator() const override;
    // `symbol`.
    std::string name() const override;
};

// The arithmetic operators: each broadcasts its scalar rule over lists.
class plusop : public opTokop {
public:
    constexpr plusop() : opTokop("plus", "+") {}
    Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) override;
};

// Subtraction with two arguments, negation with one.
class minusop : public opTokop {
public:
    constexpr minusop() : opTokop("minus", "-") {}
    Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) override;
};

class mulop : public opTokop {
public:
    constexpr mulop() : opTokop("mul", "*") {}
    Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) override;
};

// IEEE division: x / 0 gives an infinity, 0 / 0 NaN.
class divop : public opTokop {
public:
    constexpr divop() : opTokop("div", "/") {}
    Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) override;
};

// fmod remainder, with the sign of the dividend.
class modop : public opTokop {
public:
    constexpr modop() : opTokop("mod", "%") {}
    Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) override;
};

// "[": opens a list initializer; as a node it builds the list of its
// arguments in the ScratchArena.
class listOp : public opTokop {
public:
    constexpr listOp() : opTokop("lsqr", "[") {}
    Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) override;
};

// A number literal; one object per occurrence.
class numTokop : public Tokop {
public:
    float value;

    explicit numTokop(float number) : Tokop(TokenKind::Number), value(number) {}
    // The value in "%f" form.
    std::string name() const override;
    // Number `value`; arguments are ignored.
    Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) override;
};

// A quoted text ("cam.x"); one object per occurrence. As a node it is a
// String value whose text is the token's own, which lives as long as the
// program.
class strTokop : public Tokop {
public:
    std::string text;  // without the quotes

    explicit strTokop(std::string quoted) : Tokop(TokenKind::String), text(std::move(quoted)) {}
    // The text in its quotes.
    std::string name() const override;
    Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) override;
};

// An identifier; one object per occurrence. As a node without arguments it
// reads the variable, with one argument it assigns it.
class idTokop : public Tokop {
public:
    std::string identifier;  // the variable's name

    explicit idTokop(std::string text) : Tokop(TokenKind::Identifier), identifier(std::move(text)) {}
    // `identifier`.
    std::string name() const override;
    Value evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) override;

private:
    // The slot of this name in the context's `variables` table the last time
    // it was found there, so that steady-state runs skip the name lookup.
    // Valid while the table with serial `cachedSerial` is the one consulted.
    std::uint64_t cachedSerial = 0;
    Value* cachedSlot = nullptr;

    Value* slotIn(VariableTable& table);
};

// The operator and punctuation singletons.
extern opTokop eqToken;
extern plusop plusToken;
extern minusop minusToken;
extern mulop mulToken;
extern divop divToken;
extern modop modToken;
extern opTokop lparToken;
extern opTokop rparToken;
extern listOp lsqrToken;
extern opTokop rsqrToken;
extern opTokop commaToken;

// The eleven operators and punctuation marks in the order the tokenizer
// tries them: = + - * / % ( ) [ ] ,
inline constexpr std::size_t operatorCount = 11;
extern const std::array<opTokop*, operatorCount> operatorTable;

}  // namespace quadrelume::script::parser
