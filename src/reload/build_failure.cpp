#include "reload/build_failure.h"

#include <cstdio>
#include <set>
#include <string_view>

#include "platform/fatal.h"

namespace quadrelume {
namespace {

BuildFailurePolicy currentPolicy = BuildFailurePolicy::endProcess;

// Files whose last build failed, so that their recovery can be told.
std::set<std::string>& failedPaths() {
    static auto* paths = new std::set<std::string>();
    return *paths;
}

[[noreturn]] void unwindBuild(const std::string& message) { throw detail::BuildFailure{message}; }

}  // namespace

void setBuildFailurePolicy(BuildFailurePolicy policy) { currentPolicy = policy; }

BuildFailurePolicy buildFailurePolicy() { return currentPolicy; }

namespace detail {

LenientFatalScope::LenientFatalScope() : previous_(setFatalHandler(unwindBuild)) {}

LenientFatalScope::~LenientFatalScope() { setFatalHandler(previous_); }

void reportBuildOutcome(const std::string& path, bool built, const std::string& message) {
    std::fflush(stdout);  // keep standard error in step with the trace
    if (built) {
        if (failedPaths().erase(path) != 0) std::fprintf(stderr, "%s builds again\n", path.c_str());
        return;
    }
    failedPaths().insert(path);
    // Compiler logs end in a line break of their own.
    std::string_view text = message.empty() ? std::string_view("nothing could be made of it") : message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    std::fprintf(stderr, "%s did not build, the last good version stays:\n%.*s\n", path.c_str(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}

}  // namespace detail
}  // namespace quadrelume
