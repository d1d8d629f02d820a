// Standard output sent nowhere for a while: what the code under a benchmark
// traces while it is set up would otherwise mix with the benchmark's report.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace quadrelume::bench {

class QuietOutput {
public:
    // Flushes what is pending, then points standard output at /dev/null.
    QuietOutput() {
        std::fflush(stdout);
        report_ = dup(STDOUT_FILENO);
        const int nowhere = open("/dev/null", O_WRONLY);
        if (nowhere < 0) return;
        dup2(nowhere, STDOUT_FILENO);
        close(nowhere);
    }
    // Flushes what was written meanwhile (to nowhere) and gives standard
    // output back to the report.
    ~QuietOutput() {
        std::fflush(stdout);
        if (report_ < 0) return;
        dup2(report_, STDOUT_FILENO);
        close(report_);
    }
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

private:
    int report_ = -1;
};

}  // namespace quadrelume::bench
