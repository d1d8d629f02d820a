// libFuzzer target over the timeline loader: any bytes as a time.txt, built
// into a Demo and rendered at a few times. Syntax errors unwind through a
// throwing fatal handler. It runs in an empty directory, so effect lines find
// no shader and need no GL. It goes there for each input only, since
// libFuzzer resolves its relative paths (its own program, corpus, artifacts)
// against the starting directory, also in its fork mode.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/fatal.h"
#include "reload/file_data.h"
#include "sync/track_set.h"
#include "timeline/demo_loader.h"

namespace {

struct SyntaxError {
    std::string message;
};

[[noreturn]] void throwSyntaxError(const std::string& message) { throw SyntaxError{message}; }

std::FILE* devNull = nullptr;
char workDirectory[] = "/tmp/fuzz-timeline-XXXXXX";
int startDirectory = -1;

// Stays in the empty work directory while it lives, and goes back to where
// the fuzzer started (where libFuzzer's relative paths point) however it ends.
struct InWorkDirectory {
    InWorkDirectory() {
        if (chdir(workDirectory) != 0) std::abort();
    }
    ~InWorkDirectory() {
        if (fchdir(startDirectory) != 0) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startDirectory = open(".", O_RDONLY | O_DIRECTORY);
    if (startDirectory < 0 || mkdtemp(workDirectory) == nullptr) std::abort();
    std::atexit([] { rmdir(workDirectory); });
    devNull = std::fopen("/dev/null", "w");
    quadrelume::setFatalHandler(throwSyntaxError);
    quadrelume::sync::trackSet().setTrace(devNull);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InWorkDirectory inWorkDirectory;
    // Tracks are process-wide; each input starts without any.
    struct ForgetTracks {
        ~ForgetTracks() { quadrelume::sync::trackSet().clear(); }
    } forgetTracks;
    quadrelume::FileData file(std::string_view(reinterpret_cast<const char*>(data), size));
    std::unique_ptr<Demo> demo;
    try {
        demo.reset(quadrelume::loadDemo(&file, devNull));
    } catch (const SyntaxError& error) {
        if (error.message.empty()) __builtin_trap();
        return 0;
    }
    demo->setTraceOutput(devNull);
    for (float t : {0.0f, 0.5f, 1.0f, 2.5f, 10.0f, demo->endTime}) demo->render(t);
    return 0;
}
