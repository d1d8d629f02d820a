#include "reload/build_failure.h"

#include <cstdio>
#include <string_view>

#include "platform/fatal.h"

namespace quadrelume {
namespace {

BuildFailurePolicy currentPolicy = BuildFailurePolicy::endProcess;

// Files whose last build failed, with its message, so that their recovery
// can be told and the editing session can show them.
std::map<std::string, std::string>& failures() {
    static auto* paths = new std::map<std::string, std::string>();
    return *paths;
}

// What FailurePlace puts ahead of the message of a failure.
std::string& failurePlace() {
    static auto* place = new std::string();
    return *place;
}

[[noreturn]] void unwindBuild(const std::string& message) { throw detail::BuildFailure{failurePlace() + message}; }

}  // namespace

void setBuildFailurePolicy(BuildFailurePolicy policy) { currentPolicy = policy; }

BuildFailurePolicy buildFailurePolicy() { return currentPolicy; }

const std::map<std::string, std::string>& currentBuildFailures() { return failures(); }

FailurePlace::FailurePlace(std::string place) : previous_(std::move(failurePlace())) {
    failurePlace() = std::move(place);
}

FailurePlace::~FailurePlace() { failurePlace() = std::move(previous_); }

namespace detail {

LenientFatalScope::LenientFatalScope()
    : previous_(setFatalHandler(unwindBuild)), outerPlace_(std::move(failurePlace())) {
    failurePlace().clear();
}

LenientFatalScope::~LenientFatalScope() {
    setFatalHandler(previous_);
    failurePlace() = std::move(outerPlace_);
}

void reportBuildOutcome(const std::string& path, bool built, const std::string& message) {
    std::fflush(stdout);  // keep standard error in step with the trace
    if (built) {
        if (failures().erase(path) != 0) std::fprintf(stderr, "%s builds again\n", path.c_str());
        return;
    }
    // Compiler logs end in a line break of their own.
    std::string_view text = message.empty() ? std::string_view("nothing could be made of it") : message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    failures()[path] = std::string(text);
    std::fprintf(stderr, "%s did not build, the last good version stays:\n%.*s\n", path.c_str(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}

}  // namespace detail
}  // namespace quadrelume
