#include "timeline/buffer_line.h"

#include "render/render_buffer.h"

namespace quadrelume {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

void skipBlanks(std::string_view text, std::size_t& at) {
    while (at < text.size() && isBlank(text[at])) ++at;
}

}  // namespace

std::optional<BufferLine> parseBufferLine(std::string_view action) {
    std::size_t at = 0;
    if (action.empty() || !isLetter(action[0])) return std::nullopt;
    while (at < action.size() && (isLetter(action[at]) || isDigit(action[at]))) ++at;
    BufferLine line;
    line.name.assign(action.substr(0, at));
    skipBlanks(action, at);
    if (at < action.size() && action[at] == '/') {
        ++at;
        skipBlanks(action, at);
        const std::size_t begin = at;
        while (at < action.size() && !isBlank(action[at]) && action[at] != '=') ++at;
        line.size.emplace(action.substr(begin, at - begin));
        skipBlanks(action, at);
    }
    if (at >= action.size() || action[at] != '=') return std::nullopt;
    ++at;
    skipBlanks(action, at);
    if (at >= action.size() || action[at] != '#') return std::nullopt;
    line.effect.assign(action.substr(at + 1));
    return line;
}

std::optional<int> bufferDivisor(const BufferLine& line) {
    if (!line.size) return 1;
    if (line.size->empty()) return std::nullopt;
    int divisor = 0;
    for (char c : *line.size) {
        if (!isDigit(c)) return std::nullopt;
        divisor = divisor * 10 + (c - '0');
        if (divisor > largestBufferDivisor) return std::nullopt;
    }
    if (divisor < smallestBufferDivisor) return std::nullopt;
    return divisor;
}

}  // namespace quadrelume
