#include "platform/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace quadrelume {
namespace {

FatalHandler currentHandler = nullptr;
MessageBoxPresenter currentPresenter = nullptr;

void defaultHandler(const std::string& message) {
    // Standard error first: the line must survive a box that cannot be shown
    // or is never dismissed.
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    if (currentPresenter != nullptr) currentPresenter(fatalCaption, message.c_str());
    std::exit(-1);
}

}  // namespace

void fatal(const std::string& message) {
    FatalHandler handler = currentHandler != nullptr ? currentHandler : defaultHandler;
    handler(message);
    // A handler that returns breaks its contract; do not run on after a failure.
    std::abort();
}

FatalHandler setFatalHandler(FatalHandler handler) {
    FatalHandler previous = currentHandler;
    currentHandler = handler;
    return previous;
}

void setMessageBoxPresenter(MessageBoxPresenter presenter) { currentPresenter = presenter; }

}  // namespace quadrelume
