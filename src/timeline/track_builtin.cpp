#include "timeline/track_builtin.h"

#include <optional>
#include <string>

#include "platform/fatal.h"
#include "sync/track_file.h"
#include "sync/track_set.h"

using quadrelume::EvalContext;
using quadrelume::Value;
using quadrelume::ValueKind;

Value track::evaluate(Value& result, EvalContext& context, std::int32_t argCount, Value* args) {
    if (argCount < 1 || args[0].kind != ValueKind::String) return result = quadrelume::zeroValue();
    quadrelume::sync::TrackSet& tracks = quadrelume::sync::trackSet();
    const quadrelume::sync::Track* found = tracks.find(args[0].text);
    // A name made at run time puts its track in use again after a reload.
    if (found == nullptr || !found->inUse()) found = tracks.use(args[0].text);
    if (found == nullptr) return result = quadrelume::zeroValue();
    const double row = static_cast<double>(context.time) * tracks.rowsPerSecond();
    return result = quadrelume::numberValue(found->valueAt(row));
}

constinit track trackBuiltin;

namespace {
[[maybe_unused]] const bool registered = (quadrelume::script::registerBuiltin(&trackBuiltin), true);
}  // namespace

namespace quadrelume {

namespace {

// Calls `visit` with each quoted name of a call of track in `program`, in
// the order the program names them.
template <typename Visit>
void forEachQuotedTrackName(const script::Program& program, Visit&& visit) {
    for (const script::Node& node : program.nodes) {
        if (node.op != &trackBuiltin || node.args.empty()) continue;
        const script::Tokop* argument = program.nodes[node.args[0]].op;
        if (argument->kind != script::TokenKind::String) continue;
        visit(static_cast<const script::parser::strTokop*>(argument)->text);
    }
}

}  // namespace

TimelineTracks::TimelineTracks() { sync::trackSet().startTimeline(); }

TimelineTracks::~TimelineTracks() { sync::trackSet().finishTimeline(built_); }

void checkTrackNames(const script::Program& program) {
    forEachQuotedTrackName(program, [](const std::string& name) {
        if (std::optional<std::string> problem = sync::trackNameProblem(name))
            fatal("track(\"" + name + "\"): " + *problem);
    });
}

void useTracksOf(const script::Program& program) {
    forEachQuotedTrackName(program, [](const std::string& name) {
        std::string problem;
        if (sync::trackSet().use(name, &problem) == nullptr) fatal("track(\"" + name + "\"): " + problem);
    });
}

}  // namespace quadrelume
