// libFuzzer target over the reader of the sync editors' commands: any bytes,
// fed in pieces whose sizes the input chooses, against a few tracks. Every
// command taken must write back as the bytes it came from (a pause's flag
// as 1), keys applied to the
// tracks keep them in row order, and after bad input nothing more is taken.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sync/commands.h"
#include "sync/track.h"

using namespace quadrelume::sync;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The first byte: how many tracks were asked for; the second: the size
    // of the pieces the rest arrives in.
    const std::uint32_t trackCount = data[0] % 5;
    const std::size_t piece = data[1] % 17 + 1;
    const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::vector<std::vector<TrackKey>> tracks(trackCount);
    CommandReader reader;
    std::size_t taken = 0;  // bytes of `bytes` taken as commands
    bool bad = false;
    for (std::size_t at = 0; at < bytes.size() && !bad; at += piece) {
        reader.feed(bytes.data() + at, std::min(piece, bytes.size() - at));
        for (;;) {
            const std::size_t before = reader.pending();
            Command command;
            std::string error;
            CommandReader::Outcome outcome = reader.next(command, trackCount, error);
            if (outcome == CommandReader::Outcome::needMore) break;
            if (outcome == CommandReader::Outcome::bad) {
                if (error.empty() || reader.pending() != before) __builtin_trap();
                bad = true;
                break;
            }
            std::string again;
            appendCommand(again, command);
            const std::size_t length = before - reader.pending();
            std::string original = bytes.substr(taken, length);
            // Every flag byte other than 0 pauses; it is written back as 1.
            if (command.code == CommandCode::pause && length == 2 && original[1] != '\0') original[1] = '\1';
            if (again != original) __builtin_trap();
            taken += length;
            if (command.code == CommandCode::setKey) {
                if (command.track >= trackCount || static_cast<unsigned>(command.key.type) >= keyTypeCount)
                    __builtin_trap();
                setKey(tracks[command.track], command.key);
            } else if (command.code == CommandCode::deleteKey) {
                if (command.track >= trackCount) __builtin_trap();
                deleteKey(tracks[command.track], command.key.row);
            }
        }
    }
    for (const std::vector<TrackKey>& keys : tracks) {
        for (std::size_t i = 1; i < keys.size(); ++i)
            if (keys[i - 1].row >= keys[i].row) __builtin_trap();
        for (double row : {-1.0, 0.0, 0.5, 100.25, 4294967296.0}) (void)trackValue(keys, row);
    }
    return 0;
}
