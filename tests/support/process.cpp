#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace quadrelume::testing {

Process::Process(const std::vector<std::string>& argv, const std::string& workingDirectory,
                 const std::map<std::string, std::string>& environment) {
    char outTemplate[] = "/tmp/quadrelume-out-XXXXXX";
    char errTemplate[] = "/tmp/quadrelume-err-XXXXXX";
    int out = mkstemp(outTemplate);
    int err = mkstemp(errTemplate);
    if (out < 0 || err < 0) throw std::runtime_error("mkstemp failed");
    outputPath_ = outTemplate;
    errorPath_ = errTemplate;
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (const auto& [name, value] : environment) {
            if (value.empty()) unsetenv(name.c_str());
            else setenv(name.c_str(), value.c_str(), 1);
        }
        if (chdir(workingDirectory.c_str()) != 0) _exit(126);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out);
    close(err);
}

Process::~Process() {
    kill();
    unlink(outputPath_.c_str());
    unlink(errorPath_.c_str());
}

std::optional<int> Process::waitForExit(double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!reaped_) {
        rusage usage{};
        pid_t done = wait4(pid_, &status_, WNOHANG, &usage);
        if (done == pid_) {
            peakKilobytes_ = usage.ru_maxrss;
            reaped_ = true;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status_)) return WEXITSTATUS(status_);
    return std::nullopt;
}

bool Process::running() { return !waitForExit(0).has_value() && !reaped_; }

void Process::kill() {
    if (pid_ <= 0 || reaped_) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
    reaped_ = true;
}

std::string Process::output() const { return readFileText(outputPath_); }
std::string Process::errors() const { return readFileText(errorPath_); }

std::string readFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace quadrelume::testing
