#include "support/fake_editor.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace quadrelume::testing {
namespace {

std::string u32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::uint32_t readU32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

using Clock = std::chrono::steady_clock;

Clock::time_point deadlineIn(double seconds) {
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

FakeEditor::FakeEditor() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 4) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error(std::string("fake editor: cannot listen: ") + std::strerror(errno));
    port_ = ntohs(address.sin_port);
}

FakeEditor::~FakeEditor() {
    disconnect();
    if (listener_ >= 0) ::close(listener_);
}

bool FakeEditor::accept(double seconds, const std::string& answer) {
    disconnect();
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, static_cast<int>(seconds * 1000)) <= 0) return false;
    connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection_ < 0) return false;
    const std::string greeting = "hello, synctracker!";
    std::string got;
    const auto deadline = deadlineIn(seconds);
    while (got.size() < greeting.size() && Clock::now() < deadline) {
        pollfd readable{connection_, POLLIN, 0};
        if (::poll(&readable, 1, 20) <= 0) continue;
        char bytes[64];
        ssize_t n = ::recv(connection_, bytes, greeting.size() - got.size(), 0);
        if (n <= 0) return false;
        got.append(bytes, static_cast<std::size_t>(n));
    }
    if (got != greeting) return false;
    send(answer);
    return true;
}

void FakeEditor::send(const std::string& bytes) {
    std::size_t sent = 0;
    while (connection_ >= 0 && sent < bytes.size()) {
        ssize_t n = ::send(connection_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            // A demo that closed may be gone already; the test looks at demoClosed.
            if (n < 0 && errno == EINTR) continue;
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

void FakeEditor::takeIn() {
    char bytes[65536];
    for (;;) {
        if (connection_ < 0 || closed_) return;
        ssize_t n = ::recv(connection_, bytes, sizeof bytes, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) closed_ = true;
        if (n <= 0) break;
        received_.append(bytes, static_cast<std::size_t>(n));
    }
    while (!received_.empty() && unexpected.empty()) {
        const auto code = static_cast<unsigned char>(received_[0]);
        if (code == 2 && received_.size() >= 5 && received_.size() >= 5 + readU32(received_, 1)) {
            const std::uint32_t length = readU32(received_, 1);
            trackNames.push_back(received_.substr(5, length));
            received_.erase(0, 5 + length);
        } else if (code == 3 && received_.size() >= 5) {
            rows.push_back(readU32(received_, 1));
            received_.erase(0, 5);
        } else if (code != 2 && code != 3) {
            unexpected = received_;
        } else {
            break;
        }
    }
}

bool FakeEditor::waitUntil(const std::function<bool()>& done, double seconds) {
    const auto deadline = deadlineIn(seconds);
    for (;;) {
        takeIn();
        if (done()) return true;
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void FakeEditor::disconnect() {
    if (connection_ >= 0) ::close(connection_);
    connection_ = -1;
    closed_ = false;
    received_.clear();
    trackNames.clear();
    rows.clear();
    unexpected.clear();
}

std::string FakeEditor::setKey(std::uint32_t track, std::uint32_t row, float value, std::uint8_t type) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return std::string(1, '\0') + u32(track) + u32(row) + u32(bits) + static_cast<char>(type);
}

std::string FakeEditor::deleteKey(std::uint32_t track, std::uint32_t row) { return "\x01" + u32(track) + u32(row); }

std::string FakeEditor::setRow(std::uint32_t row) { return "\x03" + u32(row); }

std::string FakeEditor::pause(bool paused) { return std::string("\x04") + (paused ? '\x01' : '\x00'); }

std::string FakeEditor::saveTracks() { return "\x05"; }

}  // namespace quadrelume::testing
