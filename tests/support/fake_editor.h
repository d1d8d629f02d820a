// The editor's side of the sync protocol, for tests: a TCP server on a port
// of loopback chosen at run time that greets the demo, records the track
// names and rows it sends, and sends it whatever bytes a test wants. It
// knows the protocol from its own bytes, not from the code under test.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quadrelume::testing {

class FakeEditor {
public:
    // Listens on 127.0.0.1 at a free port.
    FakeEditor();
    ~FakeEditor();
    FakeEditor(const FakeEditor&) = delete;
    FakeEditor& operator=(const FakeEditor&) = delete;

    std::uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

    // Waits up to `seconds` for a demo to connect and send the demo's
    // greeting, then answers with `answer`. Forgets what the last connection
    // sent. False when no demo came or its greeting was wrong.
    bool accept(double seconds, const std::string& answer = "hello, demo!");

    // Sends `bytes` to the connected demo as they are.
    void send(const std::string& bytes);

    // Takes in what the demo sent until `done` holds or `seconds` pass;
    // gives whether it holds.
    bool waitUntil(const std::function<bool()>& done, double seconds);

    // Whether the demo has closed the connection (as far as taken in).
    bool demoClosed() const { return closed_; }

    // Ends the connection, as an editor that quits does; keeps listening.
    void disconnect();

    // What the demo sent on the current connection, in order.
    std::vector<std::string> trackNames;   // GET_TRACK
    std::vector<std::uint32_t> rows;       // SET_ROW
    std::string unexpected;                // anything else, from its first byte on

    // The bytes of the editor's commands, every u32 big endian.
    static std::string setKey(std::uint32_t track, std::uint32_t row, float value, std::uint8_t type);
    static std::string deleteKey(std::uint32_t track, std::uint32_t row);
    static std::string setRow(std::uint32_t row);
    static std::string pause(bool paused);
    static std::string saveTracks();

private:
    void takeIn();

    int listener_ = -1;
    int connection_ = -1;
    std::uint16_t port_ = 0;
    bool closed_ = false;
    std::string received_;  // bytes not yet understood
};

}  // namespace quadrelume::testing
