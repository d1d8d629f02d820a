// A TCP connection to a server that never makes the caller wait: what a
// client that lives inside a frame loop needs of the network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quadrelume::platform {

// One address a server may be reached at, as name resolution gave it.
struct NetworkAddress {
    unsigned char bytes[128] = {};  // the system's socket address, opaque outside this seam
    std::uint32_t length = 0;       // how many of `bytes` it uses
    std::string text;               // for messages: "127.0.0.1:1338", "[::1]:1338"
};

// The addresses of `host` (a name or a numeric address, without brackets)
// at `port`: its IPv4 addresses when it has any, since servers of this kind
// listen there first, else its IPv6 ones. Empty, with the reason in *error,
// when the name cannot be resolved. May wait for a name server: call it
// before the frame loop, never inside it.
std::vector<NetworkAddress> resolveAddresses(const std::string& host, std::uint16_t port, std::string* error);

// A TCP connection in non-blocking mode, with Nagle's delay off: small
// messages go out at once. Closed by its destructor.
class TcpStream {
public:
    enum class State { connecting, open, failed };

    // Starts connecting to `address` and returns at once; poll tells when the
    // connection is made. Null, with the reason in *error, when the attempt
    // failed before it began (no socket, no route).
    static std::unique_ptr<TcpStream> connect(const NetworkAddress& address, std::string* error);

    ~TcpStream();
    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    // Whether the connection is made, still being made, or failed (refused,
    // unreachable, reset); the reason of a failure goes to *error. Never waits.
    State poll(std::string* error);

    // Copies up to `capacity` bytes that have arrived into `buffer` and gives
    // their count; 0 when nothing is waiting, -1 when the peer closed the
    // connection or it broke (the reason in *error). Never waits.
    long read(void* buffer, std::size_t capacity, std::string* error);

    // Hands as much of `bytes` to the system as it takes now and gives the
    // count, which may be 0 when its buffer is full; -1 when the connection
    // broke (the reason in *error). Never waits and raises no SIGPIPE.
    long write(const void* bytes, std::size_t size, std::string* error);

private:
    explicit TcpStream(int socket) : socket_(socket) {}
    int socket_;
    bool open_ = false;
};

}  // namespace quadrelume::platform
