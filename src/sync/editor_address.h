// Where the sync editor listens, as the command line names it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sync/commands.h"

namespace quadrelume::sync {

struct EditorAddress {
    std::string host = "localhost";
    std::uint16_t port = defaultEditorPort;
};

// Reads "[HOST][:PORT]": "" is localhost:1338, "studio" studio:1338, ":1339"
// localhost:1339, "studio:1339" both. An IPv6 address always goes in
// brackets ("[::1]", "[::1]:1339"): bare, "::1:1339" could be an address or
// one with a port. An empty host before the colon means localhost. Nothing
// for a port that is not a number from 1 to 65535, an unclosed bracket, or a
// host with a colon outside brackets; for the last, `*problem`, when given,
// says so for a message: "an IPv6 address goes in brackets, as in
// [::1]:1339 or [::1]".
std::optional<EditorAddress> parseEditorAddress(std::string_view text, std::string* problem = nullptr);

}  // namespace quadrelume::sync
