// Running quadrelume-capture as a child process on demo folders that the
// tests make.
#pragma once

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/process.h"

namespace quadrelume::testing {

// How a run of the capture program ended.
struct CaptureRun {
    int code = -1;  // -1: did not end in time, or by a signal
    std::string errors;
};

// Starts quadrelume-capture with `arguments` in `folder`, without DISPLAY.
inline std::unique_ptr<Process> startCaptureProgram(const std::vector<std::string>& arguments,
                                                    const std::string& folder) {
    std::vector<std::string> argv{QUADRELUME_CAPTURE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return std::make_unique<Process>(argv, folder, std::map<std::string, std::string>{{"DISPLAY", ""}});
}

// Waits for a run started by startCaptureProgram to end.
inline CaptureRun finishRun(Process& process) {
    CaptureRun run;
    run.code = process.waitForExit(90).value_or(-1);
    run.errors = process.errors();
    return run;
}

// Runs quadrelume-capture with `arguments` in `folder`, without DISPLAY, and
// waits for it to end.
inline CaptureRun runCaptureProgram(const std::vector<std::string>& arguments, const std::string& folder) {
    return finishRun(*startCaptureProgram(arguments, folder));
}

// The names of the entries of `folder`, sorted.
inline std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace quadrelume::testing
