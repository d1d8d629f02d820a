#include "sync/editor_address.h"

namespace quadrelume::sync {
namespace {

std::optional<std::uint16_t> parsePort(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + static_cast<unsigned>(c - '0');
    }
    if (port == 0 || port > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

}  // namespace

std::optional<EditorAddress> parseEditorAddress(std::string_view text, std::string* problem) {
    auto refuse = [problem](const char* why) -> std::optional<EditorAddress> {
        if (problem != nullptr) *problem = why;
        return std::nullopt;
    };
    EditorAddress address;
    std::string_view host = text;
    std::string_view port;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = text.substr(1, close - 1);
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return std::nullopt;
            port = rest.substr(1);
            if (port.empty()) return std::nullopt;
        }
    } else if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
        // A second colon makes an IPv6 address, whose last group would read
        // as a port just as well.
        if (text.find(':', colon + 1) != std::string_view::npos)
            return refuse("an IPv6 address goes in brackets, as in [::1]:1339 or [::1]");
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (port.empty()) return std::nullopt;
    }
    if (!host.empty()) address.host = host;
    if (!port.empty()) {
        std::optional<std::uint16_t> number = parsePort(port);
        if (!number) return std::nullopt;
        address.port = *number;
    }
    return address;
}

}  // namespace quadrelume::sync
