// Runs a program as a child process for end-to-end tests.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quadrelume::testing {

class Process {
public:
    // Starts `argv` in `workingDirectory` with the test's environment changed
    // by `environment` (an empty value removes the variable). Standard output
    // and standard error go to files read by output() and errors().
    Process(const std::vector<std::string>& argv, const std::string& workingDirectory,
            const std::map<std::string, std::string>& environment = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    int pid() const { return pid_; }

    // The exit code (0..255) once the process has ended, waiting up to
    // `seconds`; nothing when it is still running then (or died by a signal).
    std::optional<int> waitForExit(double seconds);
    bool running();

    // The largest resident size the process reached, in kilobytes, once it
    // has ended and been reaped (0 before).
    long peakKilobytes() const { return peakKilobytes_; }

    std::string output() const;
    std::string errors() const;

    // Sends SIGKILL and reaps the process.
    void kill();

private:
    int pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    long peakKilobytes_ = 0;
    std::string outputPath_;
    std::string errorPath_;
};

// Path of a test-data folder or file shipped with the tests.
std::string readFileText(const std::string& path);

}  // namespace quadrelume::testing
