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
// localhost:1339, "studio:1339" both. An IPv6 address goes in brackets when
// a port follows ("[::1]:1339"); without a port it may stand bare ("::1").
// An empty host before the colon means localhost. Nothing for a port that is
// not a number from 1 to 65535, or an unclosed bracket.
std::optional<EditorAddress> parseEditorAddress(std::string_view text);

}  // namespace quadrelume::sync
