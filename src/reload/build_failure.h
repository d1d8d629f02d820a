// What a failed build does: end the program (the plain player), or leave the
// holder's last good object in place so that an editing session outlives
// its mistakes.
#pragma once

#include <map>
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

// The files whose last build failed, by path, each with the message of
// that failure as standard error showed it. A path leaves when its file
// builds again. Always empty under endProcess. Main thread only.
const std::map<std::string, std::string>& currentBuildFailures();

// While one lives, a failure that attemptBuild catches carries `place`
// ahead of its message, so that a builder can say where in its file the
// fault lies ("time.txt:2: "). Under endProcess it changes nothing: the
// message box keeps its text. Builds started while it lives (another
// holder's) do not inherit it. Main thread only.
class FailurePlace {
public:
    explicit FailurePlace(std::string place);
    ~FailurePlace();
    FailurePlace(const FailurePlace&) = delete;
    FailurePlace& operator=(const FailurePlace&) = delete;

private:
    std::string previous_;
};

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
    std::string outerPlace_;
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
