#include "app/sync_session.h"

#include <cmath>
#include <cstdio>

namespace quadrelume {

std::optional<std::vector<platform::NetworkAddress>> findSyncEditor(const sync::EditorAddress& address) {
    std::string error;
    std::vector<platform::NetworkAddress> found = platform::resolveAddresses(address.host, address.port, &error);
    if (!found.empty()) return found;
    std::fprintf(stderr, "quadrelume: --sync: cannot find the host %s (%s)\n", address.host.c_str(), error.c_str());
    return std::nullopt;
}

float rowStart(std::uint32_t row, double rowsPerSecond) {
    float t = static_cast<float>(row / rowsPerSecond);
    while (std::floor(static_cast<double>(t) * rowsPerSecond) < row) t = std::nextafter(t, INFINITY);
    return t;
}

std::uint32_t rowAt(float t, double rowsPerSecond) {
    const double row = std::floor(static_cast<double>(t) * rowsPerSecond);
    if (!(row > 0.0)) return 0;
    return row >= 4294967295.0 ? 4294967295u : static_cast<std::uint32_t>(row);
}

SyncSession::SyncSession(std::vector<platform::NetworkAddress> editor, EditSession& session, TimeSource& clock)
    : session_(session), clock_(clock), client_(std::move(editor), sync::trackSet()) {}

float SyncSession::exchange(float t, const Demo* demo) {
    demo_ = demo;
    moved_ = false;
    client_.update(*this);
    if (moved_) t = clock_.currentTime();
    // While the demo plays, and once more in the frame it stops in: the
    // editor's cursor then rests on the row the picture shows, even when the
    // pause reached the demo a row or two after the author asked for it.
    const bool paused = session_.paused();
    if (!paused || !wasPaused_) client_.tellRow(rowAt(t, sync::trackSet().rowsPerSecond()));
    wasPaused_ = paused;
    return t;
}

void SyncSession::editorSeek(std::uint32_t row) {
    session_.seekTo(rowStart(row, sync::trackSet().rowsPerSecond()), demo_);
    moved_ = true;
}

void SyncSession::editorPause(bool paused) {
    session_.setPaused(paused);
    moved_ = true;
}

}  // namespace quadrelume
