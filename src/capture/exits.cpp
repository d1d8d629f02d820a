#include "capture/exits.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "capture/temporary_output.h"
#include "platform/fatal.h"
#include "platform/process_io.h"

namespace quadrelume::capture {
namespace {

// Set once by prepareExits; the signal handler reads it.
bool errorIsTerminal = false;

const char* currentName = "quadrelume-capture";
// What an interruption says, formed ahead, as the signal handler may not.
char interruptedLine[256] = "quadrelume-capture: interrupted; nothing was written\n";

enum class Stop { none, interrupted, traceFailed };
Stop stopReason = Stop::none;  // main thread only
std::string traceName;
std::string traceFailure;  // why the trace could not be written

// Ends a line that the progress display may have left open on a terminal.
void endProgressLine() {
    if (errorIsTerminal) std::fputs("\r\033[K", stderr);
}

// The exit skips the destructors, as the failure may come from any thread
// in the middle of anything.
[[noreturn]] void reportFatal(const std::string& message) {
    std::fflush(stdout);
    endProgressLine();
    std::fprintf(stderr, "%s: %s\n", programName(), message.c_str());
    std::fflush(stderr);
    abandonTemporaryOutput();
    std::_Exit(exitFailed);
}

// The last words of an interrupted capture, also in the signal handler of
// a second interruption: nothing of the output stays.
void sayInterrupted() {
    abandonTemporaryOutput();
    if (errorIsTerminal) platform::writeErrorNow("\r\033[K");
    platform::writeErrorNow(interruptedLine);
}

}  // namespace

const char* programName() { return currentName; }

void setProgramName(const char* name) {
    currentName = name;
    std::snprintf(interruptedLine, sizeof interruptedLine, "%s: interrupted; nothing was written\n", name);
}

void prepareExits(const std::string& traceFile) {
    traceName = traceFile;
    errorIsTerminal = platform::standardErrorIsTerminal();
    setFatalHandler(reportFatal);
    platform::catchInterrupts(sayInterrupted, exitInterrupted);
}

bool progressIsLive() { return errorIsTerminal; }

int badOption(const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", programName(), message.c_str(),
                 programName());
    return exitBadOptions;
}

int failed(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", programName(), message.c_str());
    return exitFailed;
}

bool shouldStop() {
    if (stopReason != Stop::none) return true;
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        traceFailure = errno != 0 ? std::strerror(errno) : "a write failed: its reader gone, or no room left";
        stopReason = Stop::traceFailed;
    } else if (platform::interruptRequested()) {
        stopReason = Stop::interrupted;
    }
    return stopReason != Stop::none;
}

int reportStop() {
    if (stopReason == Stop::interrupted) {
        sayInterrupted();
        return exitInterrupted;
    }
    abandonTemporaryOutput();
    endProgressLine();
    return failed("--trace " + traceName + ": cannot be written any more (" + traceFailure +
                  "); stopped, and nothing was written");
}

void leaveNow() { std::_Exit(reportStop()); }

}  // namespace quadrelume::capture
