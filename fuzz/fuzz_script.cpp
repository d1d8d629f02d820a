// libFuzzer target over the whole script path: tokenize, compile and run.
// Syntax errors unwind through a throwing fatal handler, so every malformed
// input must end in a message, and the sanitizers see any fault or leak.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/fatal.h"
#include "script/evaluator.h"
#include "script/parser.h"
#include "script/variable_table.h"
#include "sync/track_set.h"
#include "timeline/expression_range.h"

namespace {

struct SyntaxError {
    std::string message;
};

[[noreturn]] void throwSyntaxError(const std::string& message) { throw SyntaxError{message}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool installed = (quadrelume::setFatalHandler(throwSyntaxError),
                             quadrelume::sync::trackSet().setTrace(std::fopen("/dev/null", "w")), true);
    (void)installed;
    // Tracks are process-wide; each input starts without any.
    struct ForgetTracks {
        ~ForgetTracks() { quadrelume::sync::trackSet().clear(); }
    } forgetTracks;
    std::string text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<quadrelume::script::Program> program;
    try {
        program = quadrelume::script::compile(text.c_str());
    } catch (const SyntaxError& error) {
        if (error.message.empty()) __builtin_trap();
        return 0;
    }
    // Run it a few times inside a range from 1 to 3 so that the time
    // built-ins, keyframes and values kept across runs take part.
    quadrelume::VariableTable table;
    quadrelume::ExpressionRange range(1.0f, 3.0f, std::move(program), &table);
    for (float t : {1.0f, 2.0f, 2.5f}) range.render(t);
    for (const auto& entry : table) quadrelume::toText(entry.second);
    return 0;
}
