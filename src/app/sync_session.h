// An editing session that a sync editor drives too (--sync).
#pragma once

#include <optional>
#include <vector>

#include "app/edit_session.h"
#include "clock/time_source.h"
#include "platform/tcp_stream.h"
#include "sync/editor_address.h"
#include "sync/sync_client.h"
#include "timeline/demo.h"

namespace quadrelume {

// The addresses of the editor at `address`; nothing, after a line on
// standard error, when its host cannot be found. May wait for a name
// server, so it runs before the window opens.
std::optional<std::vector<platform::NetworkAddress>> findSyncEditor(const sync::EditorAddress& address);

// The time at which row `row` starts at `rowsPerSecond`: the earliest float
// time whose row (time x rowsPerSecond, rounded down) is `row`, so that a
// frame drawn there shows the row's keys.
float rowStart(std::uint32_t row, double rowsPerSecond);

// The whole row that time `t` is in at `rowsPerSecond`; 0 before 0 and for a
// NaN, the last row beyond the last.
std::uint32_t rowAt(float t, double rowsPerSecond);

// Connects the editing session to the sync editor through the tracks of
// sync::trackSet().
class SyncSession : private sync::EditorControls {
public:
    // `session` and `clock` are not owned and outlive this.
    SyncSession(std::vector<platform::NetworkAddress> editor, EditSession& session, TimeSource& clock);

    // The frame's exchange with the editor, before the frame at `t` is drawn:
    // carries out what the editor sent (its rows seek and its pauses pause
    // through `session`, traced as the time keys are) and gives the time to
    // draw, read again from the clock when the editor moved it. While the
    // demo plays, and in the frame it pauses in, the editor is told the row
    // of that time when it changed.
    float exchange(float t, const Demo* demo);

private:
    void editorSeek(std::uint32_t row) override;
    void editorPause(bool paused) override;

    EditSession& session_;
    TimeSource& clock_;
    sync::SyncClient client_;
    const Demo* demo_ = nullptr;  // the timeline of the frame being exchanged
    bool moved_ = false;          // the editor moved the clock in this exchange
    bool wasPaused_ = false;      // the demo was paused in the last exchange
};

}  // namespace quadrelume
