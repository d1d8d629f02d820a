#include "script/tokop.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "script/lin.h"
#include "script/variable_table.h"

namespace quadrelume::script {

bool Tokop::isOperator() const { return false; }

std::string Tokop::name() const { return "UNKNOWN!"; }

Value Tokop::evaluate(Value&, EvalContext&, std::int32_t, Value*) { std::abort(); }

std::string Bif::name() const { return builtinName; }

namespace {

// The order in which the built-ins are pushed at the front of builtinList;
// the list therefore reads back to front.
constexpr std::string_view builtinPushOrder[] = {"keyframe", "gtime", "rtime", "ltime", "halt", "lin"};

int pushRank(const Bif* builtin) {
    for (int rank = 0; rank < static_cast<int>(std::size(builtinPushOrder)); ++rank)
        if (builtinPushOrder[rank] == builtin->builtinName) return rank;
    return -1;
}

}  // namespace

constinit Bif* builtinList = nullptr;

void registerBuiltin(Bif* builtin) {
    // Keep the list sorted by falling push rank, which is what pushing in
    // push order would have produced.
    int rank = pushRank(builtin);
    Bif** link = &builtinList;
    while (*link != nullptr && pushRank(*link) > rank) link = &(*link)->next;
    builtin->next = *link;
    *link = builtin;
}

namespace {
// lin lives in this library; registering it here, next to the list that
// tokenize reads, keeps it linked into every program that tokenizes.
[[maybe_unused]] const bool linRegistered = (registerBuiltin(&linBuiltin), true);
}  // namespace

}  // namespace quadrelume::script

namespace quadrelume::script::parser {

bool opTokop::isOperator() const { return true; }

std::string opTokop::name() const { return symbol; }

std::string numTokop::name() const {
    std::string text;
    appendNumberText(text, value);
    return text;
}

Value numTokop::evaluate(Value& result, EvalContext&, std::int32_t, Value*) {
    result = numberValue(value);
    return result;
}

std::string strTokop::name() const { return '"' + text + '"'; }

Value strTokop::evaluate(Value& result, EvalContext&, std::int32_t, Value*) {
    result = zeroValue();
    result.kind = ValueKind::String;
    result.text = text.data();
    return result;
}

std::string idTokop::name() const { return identifier; }

Value* idTokop::slotIn(VariableTable& table) {
    if (cachedSerial == table.serial()) return cachedSlot;
    Value* slot = table.slotOf(identifier);
    if (slot != nullptr) {
        cachedSerial = table.serial();
        cachedSlot = slot;
    }
    return slot;
}

Value idTokop::evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) {
    if (argCount > 0) {
        if (Value* slot = slotIn(*context.variables)) {
            VariableTable::store(slot, args[0]);
        } else {
            cachedSlot = context.variables->assign(identifier, args[0]);
            cachedSerial = context.variables->serial();
        }
        // The result is the assigned value as it arrived: a scratch value
        // equal to what was stored. Handing out the table's own storage
        // instead would leave earlier results dangling when the same name is
        // assigned again later in the run (x = [x = [1, 2], 3]).
        result = args[0];
        return result;
    }
    const Value* stored = slotIn(*context.variables);
    if (stored == nullptr && context.fallbackVariables != context.variables && context.fallbackVariables != nullptr)
        stored = context.fallbackVariables->find(identifier);
    if (stored == nullptr) return result = zeroValue();
    return result = stored->kind == ValueKind::Number ? *stored : copyValue(*stored, true);
}

constinit opTokop eqToken("eq", "=");
constinit plusop plusToken;
constinit minusop minusToken;
constinit mulop mulToken;
constinit divop divToken;
constinit modop modToken;
constinit opTokop lparToken("lpar", "(");
constinit opTokop rparToken("rpar", ")");
constinit listOp lsqrToken;
constinit opTokop rsqrToken("rsqr", "]");
constinit opTokop commaToken("comma", ",");

constinit const std::array<opTokop*, operatorCount> operatorTable = {
    &eqToken, &plusToken, &minusToken, &mulToken,  &divToken,   &modToken,
    &lparToken, &rparToken, &lsqrToken, &rsqrToken, &commaToken,
};

}  // namespace quadrelume::script::parser
