#include "app/trace_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/process_io.h"

namespace quadrelume {

void TraceOutput::passOn() {
    if (ended_) return;
    // The timeline passes its block on as it writes it, so a write that
    // failed has usually done so before this flush, which leaves only the
    // error flag and no reason.
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && !std::ferror(stdout)) return;
    ended_ = true;
    const char* why = !flushed && error != 0 ? std::strerror(error) : "its reader has gone, or there is no room left";
    std::fprintf(stderr, "quadrelume: %s cannot be written any more (%s); the trace stops here, the demo plays on\n",
                 name_.c_str(), why);
    std::fflush(stderr);
    // What is still buffered cannot go anywhere: nothing asks for it again.
    platform::redirectStandardOutput("");
    std::clearerr(stdout);
}

}  // namespace quadrelume
