// The protocol's bytes: what every command looks like on the wire, reading
// them in any pieces, and the bad input that ends a connection.
#include <gtest/gtest.h>

#include "sync/commands.h"

namespace quadrelume::sync {
namespace {

Command setKeyCommand() {
    Command c;
    c.code = CommandCode::setKey;
    c.track = 1;
    c.key = {0x0a0b0c0d, 1.5f, KeyType::smooth};
    return c;
}

struct Wire {
    Command command;
    std::string bytes;
};

std::vector<Wire> everyCommand() {
    Command deleteKey;
    deleteKey.code = CommandCode::deleteKey;
    deleteKey.track = 2;
    deleteKey.key.row = 0x100;
    Command getTrack;
    getTrack.code = CommandCode::getTrack;
    getTrack.name = "cam:x";
    Command setRow;
    setRow.code = CommandCode::setRow;
    setRow.row = 0xdeadbeef;
    Command pause;
    pause.code = CommandCode::pause;
    pause.paused = true;
    Command resume;
    resume.code = CommandCode::pause;
    Command save;
    save.code = CommandCode::saveTracks;
    return {
        {setKeyCommand(), std::string("\x00\x00\x00\x00\x01\x0a\x0b\x0c\x0d\x3f\xc0\x00\x00\x02", 14)},
        {deleteKey, std::string("\x01\x00\x00\x00\x02\x00\x00\x01\x00", 9)},
        {getTrack, std::string("\x02\x00\x00\x00\x05" "cam:x", 10)},
        {setRow, std::string("\x03\xde\xad\xbe\xef", 5)},
        {pause, std::string("\x04\x01", 2)},
        {resume, std::string("\x04\x00", 2)},
        {save, std::string("\x05", 1)},
    };
}

void expectSame(const Command& a, const Command& b) {
    EXPECT_EQ(a.code, b.code);
    EXPECT_EQ(a.track, b.track);
    EXPECT_EQ(a.key, b.key);
    EXPECT_EQ(a.row, b.row);
    EXPECT_EQ(a.paused, b.paused);
    EXPECT_EQ(a.name, b.name);
}

TEST(Commands, EveryCommandHasItsExactBytesAndReadsBackInAnyPieces) {
    EXPECT_EQ(demoGreeting, "hello, synctracker!");
    EXPECT_EQ(editorGreeting, "hello, demo!");
    std::string all;
    for (const Wire& wire : everyCommand()) {
        std::string bytes;
        appendCommand(bytes, wire.command);
        EXPECT_EQ(bytes, wire.bytes) << commandName(static_cast<std::uint8_t>(wire.command.code));
        all += bytes;
    }
    // One byte at a time: nothing comes out before a command is whole.
    CommandReader reader;
    std::vector<Command> read;
    std::string error;
    for (char byte : all) {
        reader.feed(&byte, 1);
        Command command;
        CommandReader::Outcome outcome;
        while ((outcome = reader.next(command, 3, error)) == CommandReader::Outcome::command) read.push_back(command);
        ASSERT_EQ(outcome, CommandReader::Outcome::needMore) << error;
    }
    ASSERT_EQ(read.size(), everyCommand().size());
    for (std::size_t i = 0; i < read.size(); ++i) expectSame(read[i], everyCommand()[i].command);
    EXPECT_EQ(reader.pending(), 0u);
}

TEST(Commands, BadInputIsRefusedWholeAndEndsTheStream) {
    const std::string goodKey = everyCommand()[0].bytes;
    struct Case {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"\x06", "the unknown command 6"},
        {"\xff\x00\x00", "the unknown command 255"},
        {goodKey.substr(0, 13) + "\x04", "a SET_KEY of the key type 4 (the types are 0 to 3)"},
        {goodKey.substr(0, 13) + "\xff", "a SET_KEY of the key type 255"},
        {std::string("\x00\x00\x00\x00\x03", 5) + goodKey.substr(5),
         "a SET_KEY for track 3, but only tracks 0 to 2 were asked for"},
        {std::string("\x01\xff\xff\xff\xff\x00\x00\x00\x00", 9), "a DELETE_KEY for track 4294967295"},
        {std::string("\x02\x00\x00\x00\x00", 5), "a GET_TRACK with an empty name"},
        {std::string("\x02\x00\x00\x00\x03" "a\0b", 8), "a GET_TRACK whose name holds a 0 byte"},
        {std::string("\x02\x7f\xff\xff\xff", 5), "a GET_TRACK with a name of 2147483647 bytes (at most 1024)"},
    };
    for (const Case& c : cases) {
        CommandReader reader;
        // A good key first: it comes out, then the bad command does not.
        reader.feed(goodKey.data(), goodKey.size());
        reader.feed(c.bytes.data(), c.bytes.size());
        reader.feed(goodKey.data(), goodKey.size());
        Command command;
        std::string error;
        ASSERT_EQ(reader.next(command, 3, error), CommandReader::Outcome::command) << error;
        command = Command{};
        EXPECT_EQ(reader.next(command, 3, error), CommandReader::Outcome::bad) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(command.key, TrackKey{}) << "nothing of the bad command was taken";
        EXPECT_EQ(reader.next(command, 3, error), CommandReader::Outcome::bad) << "the good key after it is not read";
    }
    CommandReader noTracks;
    noTracks.feed(goodKey.data(), goodKey.size());
    Command command;
    std::string error;
    EXPECT_EQ(noTracks.next(command, 0, error), CommandReader::Outcome::bad);
    EXPECT_NE(error.find("but no track was asked for"), std::string::npos) << error;
}

}  // namespace
}  // namespace quadrelume::sync
