// Bytes that came from outside (a file, the network) made safe to show in a
// message.
#pragma once

#include <string>
#include <string_view>

namespace quadrelume::sync {

// `bytes` with every byte that does not print as itself (control bytes, a 0
// byte, bytes from 0x7F up) and every '"' and '\' written as \xNN, two
// lower-case hex digits, so that a message holding them is whole (a 0 byte
// would end it in printf and in the error box) and says exactly which bytes
// they were.
std::string printable(std::string_view bytes);

}  // namespace quadrelume::sync
