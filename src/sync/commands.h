// The commands of the sync editors' TCP protocol, as bytes and back.
//
// A demo connects to the editor and greets it; the editor greets back. From
// then on each command is one byte and its payload, every u32 big endian:
//
//   SET_KEY     0  u32 track, u32 row, u32 float bits, u8 key type
//   DELETE_KEY  1  u32 track, u32 row
//   GET_TRACK   2  u32 name length, the name's bytes (demo to editor)
//   SET_ROW     3  u32 row (both ways)
//   PAUSE       4  u8 flag, not 0 for paused
//   SAVE_TRACKS 5  nothing
//
// A track is named by its index: the position of its GET_TRACK among those
// the demo sent on this connection.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sync/track.h"

namespace quadrelume::sync {

// What the demo sends first, and what the editor answers; neither has a
// terminating 0 byte.
inline constexpr std::string_view demoGreeting = "hello, synctracker!";
inline constexpr std::string_view editorGreeting = "hello, demo!";

// The port editors listen on.
inline constexpr std::uint16_t defaultEditorPort = 1338;

enum class CommandCode : std::uint8_t {
    setKey = 0,
    deleteKey = 1,
    getTrack = 2,
    setRow = 3,
    pause = 4,
    saveTracks = 5,
};

// One command; the fields its code does not use stay as they are.
struct Command {
    CommandCode code = CommandCode::saveTracks;
    std::uint32_t track = 0;  // setKey, deleteKey
    TrackKey key;             // setKey: all of it; deleteKey: the row
    std::uint32_t row = 0;    // setRow
    bool paused = false;      // pause
    std::string name;         // getTrack
};

// Appends the bytes of `command` to `out`.
void appendCommand(std::string& out, const Command& command);

// Takes commands out of the bytes that arrive from the other side, which may
// come in any pieces. Nothing is taken before the whole command is there,
// and a command is checked whole before it is given out, so that bad input
// never leaves half a key behind.
class CommandReader {
public:
    enum class Outcome {
        command,   // a good command was taken
        needMore,  // the bytes so far end inside a command (or there are none)
        bad,       // the bytes are not a good command; the stream is of no more use
    };

    // Appends `size` bytes that arrived to those not yet taken.
    void feed(const char* bytes, std::size_t size);

    // Takes the command at the front into `command`. Bad input: an unknown
    // command byte, a key type of 4 or more, a track index not below
    // `trackCount` (SET_KEY and DELETE_KEY), and a GET_TRACK name of length
    // 0, longer than maximumTrackNameLength or holding a 0 byte; `error`
    // then says which, in words, and nothing more is taken.
    Outcome next(Command& command, std::uint32_t trackCount, std::string& error);

    // Bytes fed and not yet taken.
    std::size_t pending() const { return buffer_.size() - taken_; }

    // Forgets every byte, for a new connection.
    void clear();

private:
    std::string buffer_;
    std::size_t taken_ = 0;  // bytes at the front of buffer_ already taken
    bool broken_ = false;
};

// The text of a command code for messages: "SET_KEY", or "command 9".
std::string commandName(std::uint8_t code);

}  // namespace quadrelume::sync
