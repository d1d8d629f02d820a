// What a failed build does: end the program (the plain player), or leave the
// holder's last good object in place so that an editing session outlives
// its mistakes.
#pragma once

#include <string>

namespace quadrelume {

enum class BuildFailurePolicy {
    // A build that fails ends the process through fatal, with its message.
    endProcess,
    // A build that fails is reported on standard error, and the holder keeps
    // the object it had; the next save of the file tries again.
    keepLastGood,
};

// The policy of every holder in the process; endProcess until set. Set it
// once, before the first holder is built.
void setBuildFailurePolicy(BuildFailurePolicy policy);
BuildFailurePolicy buildFailurePolicy();

// Runs `build` for the file at `path`, which calls fatal when it fails (or
// gives `succeeded` false). Under endProcess that fatal ends the process as
// ever. Under keepLastGood it unwinds back here instead: the message goes to
// standard error as "<path> did not build, the last good version stays:"
// and the message on the next line, and the answer is false. A build that
// succeeds after a failure of the same path prints "<path> builds again".
// Builders must release what they made when fatal unwinds through them.
// Main thread only: the fatal handler is process-wide while `build` runs.
template <typename Build>
bool attemptBuild(const std::string& path, Build&& build);

// The parts of attemptBuild that need no template.
namespace detail {
class LenientFatalScope {
public:
    LenientFatalScope();
    ~LenientFatalScope();
    LenientFatalScope(const LenientFatalScope&) = delete;
    LenientFatalScope& operator=(const LenientFatalScope&) = delete;

private:
    void (*previous_)(const std::string&);
};
struct BuildFailure {
    std::string message;
};
void reportBuildOutcome(const std::string& path, bool built, const std::string& message);
}  // namespace detail

template <typename Build>
bool attemptBuild(const std::string& path, Build&& build) {
    if (buildFailurePolicy() == BuildFailurePolicy::endProcess) return build();
    bool built = false;
    std::string message;
    try {
        detail::LenientFatalScope scope;
        built = build();
    } catch (const detail::BuildFailure& failure) {
        message = failure.message;
    }
    detail::reportBuildOutcome(path, built, message);
    return built;
}

}  // namespace quadrelume
