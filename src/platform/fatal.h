// The one way the program gives up: every failure it cannot go on from
// (display set-up, an unreadable timeline, a script syntax error, a faulty
// shader, an unusable image or music file) ends here.
#pragma once

#include <string>

namespace quadrelume {

// Caption of every error box the program shows.
inline constexpr const char* fatalCaption = "Torva Frame";

// Reports `message` and ends the process. The default handler writes the
// message and a newline to standard error, shows it in a modal box captioned
// "Torva Frame" when a box presenter is installed, and then calls exit(-1),
// so static destructors still run. Never returns.
[[noreturn]] void fatal(const std::string& message);

// A replacement for the default handler. It must not return normally: it
// either ends the process or unwinds (a fuzzer throws to get back control).
using FatalHandler = void (*)(const std::string& message);

// Installs `handler` (null restores the default) and returns the previous one.
FatalHandler setFatalHandler(FatalHandler handler);

// Shows `text` in a modal box with an OK button and returns when it is
// dismissed or could not be shown. Installed by the display layer once it can
// draw boxes; until then fatal errors reach standard error only.
using MessageBoxPresenter = void (*)(const char* caption, const char* text);
void setMessageBoxPresenter(MessageBoxPresenter presenter);

}  // namespace quadrelume
