#include "sync/commands.h"

#include <cstring>

#include "sync/track_file.h"

namespace quadrelume::sync {
namespace {

// The fixed part of each command after its code byte, in code order.
struct Layout {
    const char* name;
    std::size_t payloadBytes;  // GET_TRACK: the length field; its name follows
};

constexpr Layout layouts[] = {
    {"SET_KEY", 13}, {"DELETE_KEY", 8}, {"GET_TRACK", 4}, {"SET_ROW", 4}, {"PAUSE", 1}, {"SAVE_TRACKS", 0},
};
constexpr std::size_t commandCount = std::size(layouts);

// Taken bytes are dropped from the buffer once they are this many and more
// than half of it, so that a long session's buffer stays small and a burst
// of commands is not moved byte by byte.
constexpr std::size_t compactAfter = 65536;

void putU32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

std::uint32_t getU32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | static_cast<std::uint32_t>(at[3]);
}

std::string trackOutOfRange(const char* name, std::uint32_t track, std::uint32_t trackCount) {
    std::string known = trackCount == 0   ? "no track was asked for"
                        : trackCount == 1 ? "only track 0 was asked for"
                                          : "only tracks 0 to " + std::to_string(trackCount - 1) + " were asked for";
    return std::string("a ") + name + " for track " + std::to_string(track) + ", but " + known;
}

}  // namespace

std::string commandName(std::uint8_t code) {
    return code < commandCount ? layouts[code].name : "command " + std::to_string(code);
}

void appendCommand(std::string& out, const Command& command) {
    out += static_cast<char>(command.code);
    switch (command.code) {
        case CommandCode::setKey: {
            std::uint32_t bits;
            std::memcpy(&bits, &command.key.value, sizeof bits);
            putU32(out, command.track);
            putU32(out, command.key.row);
            putU32(out, bits);
            out += static_cast<char>(command.key.type);
            break;
        }
        case CommandCode::deleteKey:
            putU32(out, command.track);
            putU32(out, command.key.row);
            break;
        case CommandCode::getTrack:
            putU32(out, static_cast<std::uint32_t>(command.name.size()));
            out += command.name;
            break;
        case CommandCode::setRow: putU32(out, command.row); break;
        case CommandCode::pause: out += static_cast<char>(command.paused ? 1 : 0); break;
        case CommandCode::saveTracks: break;
    }
}

void CommandReader::feed(const char* bytes, std::size_t size) {
    if (taken_ == buffer_.size()) {
        buffer_.clear();
        taken_ = 0;
    } else if (taken_ >= compactAfter && taken_ > buffer_.size() / 2) {
        buffer_.erase(0, taken_);
        taken_ = 0;
    }
    buffer_.append(bytes, size);
}

void CommandReader::clear() {
    buffer_.clear();
    taken_ = 0;
    broken_ = false;
}

CommandReader::Outcome CommandReader::next(Command& command, std::uint32_t trackCount, std::string& error) {
    if (broken_) {
        error = "bytes after bad input";
        return Outcome::bad;
    }
    const std::size_t available = pending();
    if (available == 0) return Outcome::needMore;
    const auto* at = reinterpret_cast<const unsigned char*>(buffer_.data()) + taken_;
    const std::uint8_t code = at[0];
    if (code >= commandCount) {
        broken_ = true;
        error = "the unknown command " + std::to_string(code);
        return Outcome::bad;
    }
    std::size_t length = 1 + layouts[code].payloadBytes;
    if (available < length) return Outcome::needMore;

    Command read;
    read.code = static_cast<CommandCode>(code);
    switch (read.code) {
        case CommandCode::setKey:
        case CommandCode::deleteKey:
            read.track = getU32(at + 1);
            read.key.row = getU32(at + 5);
            if (read.code == CommandCode::setKey) {
                const std::uint32_t bits = getU32(at + 9);
                std::memcpy(&read.key.value, &bits, sizeof bits);
                if (at[13] >= keyTypeCount) {
                    error = "a SET_KEY of the key type " + std::to_string(at[13]) + " (the types are 0 to 3)";
                    broken_ = true;
                    return Outcome::bad;
                }
                read.key.type = static_cast<KeyType>(at[13]);
            }
            if (read.track >= trackCount) {
                error = trackOutOfRange(layouts[code].name, read.track, trackCount);
                broken_ = true;
                return Outcome::bad;
            }
            break;
        case CommandCode::getTrack: {
            const std::uint32_t nameLength = getU32(at + 1);
            if (nameLength == 0 || nameLength > maximumTrackNameLength) {
                error = nameLength == 0 ? "a GET_TRACK with an empty name"
                                        : "a GET_TRACK with a name of " + std::to_string(nameLength) +
                                              " bytes (at most " + std::to_string(maximumTrackNameLength) + ")";
                broken_ = true;
                return Outcome::bad;
            }
            length += nameLength;
            if (available < length) return Outcome::needMore;
            read.name.assign(reinterpret_cast<const char*>(at + 5), nameLength);
            if (read.name.find('\0') != std::string::npos) {
                error = "a GET_TRACK whose name holds a 0 byte";
                broken_ = true;
                return Outcome::bad;
            }
            break;
        }
        case CommandCode::setRow: read.row = getU32(at + 1); break;
        case CommandCode::pause: read.paused = at[1] != 0; break;
        case CommandCode::saveTracks: break;
    }
    taken_ += length;
    command = std::move(read);
    return Outcome::command;
}

}  // namespace quadrelume::sync
