#include "platform/tcp_stream.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace quadrelume::platform {
namespace {

std::string addressText(const sockaddr* address, std::uint16_t port) {
    char host[INET6_ADDRSTRLEN] = "?";
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, host, sizeof host);
        return std::string(host) + ":" + std::to_string(port);
    }
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, host, sizeof host);
    return "[" + std::string(host) + "]:" + std::to_string(port);
}

}  // namespace

std::vector<NetworkAddress> resolveAddresses(const std::string& host, std::uint16_t port, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    int failure = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    std::vector<NetworkAddress> addresses;
    if (failure != 0) {
        *error = gai_strerror(failure);
        return addresses;
    }
    for (addrinfo* at = found; at != nullptr; at = at->ai_next) {
        if (at->ai_family != AF_INET && at->ai_family != AF_INET6) continue;
        if (at->ai_addrlen > sizeof(NetworkAddress::bytes)) continue;
        NetworkAddress address;
        std::memcpy(address.bytes, at->ai_addr, at->ai_addrlen);
        address.length = static_cast<std::uint32_t>(at->ai_addrlen);
        address.text = addressText(at->ai_addr, port);
        addresses.push_back(std::move(address));
    }
    freeaddrinfo(found);
    auto isIpv4 = [](const NetworkAddress& a) { return reinterpret_cast<const sockaddr*>(a.bytes)->sa_family == AF_INET; };
    if (std::any_of(addresses.begin(), addresses.end(), isIpv4))
        addresses.erase(std::remove_if(addresses.begin(), addresses.end(), [&](const NetworkAddress& a) { return !isIpv4(a); }),
                        addresses.end());
    if (addresses.empty()) *error = "no IPv4 or IPv6 address";
    return addresses;
}

std::unique_ptr<TcpStream> TcpStream::connect(const NetworkAddress& address, std::string* error) {
    const auto* target = reinterpret_cast<const sockaddr*>(address.bytes);
    int socket = ::socket(target->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        *error = std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<TcpStream> stream(new TcpStream(socket));
    int yes = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    if (::connect(socket, target, address.length) == 0) {
        stream->open_ = true;
    } else if (errno != EINPROGRESS) {
        *error = std::strerror(errno);
        return nullptr;
    }
    return stream;
}

TcpStream::~TcpStream() { ::close(socket_); }

TcpStream::State TcpStream::poll(std::string* error) {
    if (open_) return State::open;
    pollfd watched{socket_, POLLOUT, 0};
    if (::poll(&watched, 1, 0) == 0) return State::connecting;
    int failure = 0;
    socklen_t length = sizeof failure;
    if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, &failure, &length) != 0) failure = errno;
    if (failure == 0 && (watched.revents & POLLOUT) != 0) {
        open_ = true;
        return State::open;
    }
    *error = std::strerror(failure != 0 ? failure : ECONNREFUSED);
    return State::failed;
}

long TcpStream::read(void* buffer, std::size_t capacity, std::string* error) {
    for (;;) {
        ssize_t got = ::recv(socket_, buffer, capacity, MSG_DONTWAIT);
        if (got > 0) return static_cast<long>(got);
        if (got == 0) {
            *error = "the connection was closed";
            return -1;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        *error = std::strerror(errno);
        return -1;
    }
}

long TcpStream::write(const void* bytes, std::size_t size, std::string* error) {
    for (;;) {
        ssize_t sent = ::send(socket_, bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent >= 0) return static_cast<long>(sent);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        *error = std::strerror(errno);
        return -1;
    }
}

}  // namespace quadrelume::platform
