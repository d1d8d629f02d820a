#include "sync/printable.h"

namespace quadrelume::sync {

std::string printable(std::string_view bytes) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
            text += c;
        } else {
            text += "\\x";
            text += hex[byte >> 4];
            text += hex[byte & 0xF];
        }
    }
    return text;
}

}  // namespace quadrelume::sync
