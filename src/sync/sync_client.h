// The demo's side of a connection to a sync editor: it asks for the tracks
// the demo uses, takes the keys, rows and pauses the editor sends, tells the
// editor which row plays, and saves the tracks when asked. It lives inside
// the frame loop, so nothing it does ever waits.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/tcp_stream.h"
#include "platform/time.h"
#include "sync/commands.h"
#include "sync/track_set.h"

namespace quadrelume::sync {

// What the editor may do to the demo's playback.
class EditorControls {
public:
    // The editor's cursor went to `row` (SET_ROW).
    virtual void editorSeek(std::uint32_t row) = 0;
    // The editor paused the demo (true) or let it play (PAUSE).
    virtual void editorPause(bool paused) = 0;

protected:
    ~EditorControls() = default;
};

class SyncClient {
public:
    // A millisecond clock that wraps around (platform::milliseconds).
    using Clock = std::uint32_t (*)();

    // At most one attempt to reach the editor starts per this time, and an
    // attempt that has not connected by then is given up.
    static constexpr std::uint32_t retryMilliseconds = 1000;
    // How long a connected editor may take to answer the greeting.
    static constexpr std::uint32_t greetingMilliseconds = 3000;

    // Talks to the editor at `addresses` (one per attempt, in turn) about the
    // tracks of `tracks`; the first update starts the first attempt. What
    // happens to the connection goes to `messages`, one line each.
    SyncClient(std::vector<platform::NetworkAddress> addresses, TrackSet& tracks, std::FILE* messages = stderr,
               Clock clock = platform::milliseconds);
    SyncClient(const SyncClient&) = delete;
    SyncClient& operator=(const SyncClient&) = delete;

    // One frame's exchange. Without an editor it starts an attempt when one
    // is due. Once the editor has greeted back, every track in use is asked
    // for again (GET_TRACK, in order of first use), and the editor's keys
    // replace the saved ones from then on. Tracks that came into use since
    // the last frame are asked for; a track out of use is not (one asked
    // for before keeps its place on the connection). Then everything the
    // editor has sent is carried out: keys go into the tracks, all the keys
    // of a burst at once (see applyKeyEdits), rows and pauses to
    // `controls`, SAVE_TRACKS saves every track in use. Bad input closes the
    // connection, with one line saying what was wrong, after the good
    // commands before it; a lost editor leaves the tracks as it last set
    // them.
    void update(EditorControls& controls);

    // Tells the editor that the demo now plays `row`, unless the editor was
    // last told that row or set it itself. Call while the demo plays.
    void tellRow(std::uint32_t row);

    bool connected() const { return state_ == State::connected; }

private:
    enum class State { waiting, connecting, greeting, connected };

    void startAttempt(std::uint32_t now);
    void finishConnecting(std::uint32_t now);
    void readGreeting(std::uint32_t now);
    void readCommands(EditorControls& controls);
    void takeCommands(EditorControls& controls);
    void carryOut(const Command& command, EditorControls& controls);
    // Puts the keys taken since the last call into their tracks.
    void applyEdits();
    void askForNewTracks();
    void flush();
    // Ends the connection: `message` (if any) goes out as one line.
    void drop(const std::string& message);
    const std::string& editorAddress() const;

    std::vector<platform::NetworkAddress> addresses_;
    TrackSet& tracks_;
    std::FILE* messages_;
    Clock clock_;

    State state_ = State::waiting;
    std::unique_ptr<platform::TcpStream> stream_;
    std::size_t attempts_ = 0;        // attempts started; the next address is attempts_ % size
    std::uint32_t attemptStart_ = 0;  // when the current attempt or greeting started
    std::uint32_t nextAttempt_ = 0;   // no attempt starts before this time
    bool firstAttempt_ = true;
    bool quiet_ = false;              // "no editor" said since the last connection
    std::string greeting_;            // the editor's greeting so far
    std::string outgoing_;            // bytes the socket has not taken yet
    CommandReader reader_;
    // The tracks asked for on this connection, by the editor's index for
    // them, and whether each track of the set (by its index there) is one.
    std::vector<Track*> asked_;
    std::vector<bool> isAsked_;
    // Key edits taken but not yet applied, by the editor's track index, and
    // the indices that have some.
    std::vector<std::vector<KeyEdit>> edits_;
    std::vector<std::uint32_t> edited_;
    std::optional<std::uint32_t> told_;  // the row the editor knows the demo at
};

}  // namespace quadrelume::sync
