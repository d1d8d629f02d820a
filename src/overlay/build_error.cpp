#include "overlay/build_error.h"

#include <cctype>

namespace quadrelume::overlay {
namespace {

// Reads a run of digits from the front of `text`; -1 without one.
int takeNumber(std::string_view& text) {
    int value = 0;
    std::size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])) && digits < 9)
        value = value * 10 + (text[digits++] - '0');
    if (digits == 0) return -1;
    text.remove_prefix(digits);
    return value;
}

bool takeText(std::string_view& text, std::string_view expected) {
    if (text.substr(0, expected.size()) != expected) return false;
    text.remove_prefix(expected.size());
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// "<n>:<line>(<column>): text" (the column may be missing).
bool compilerPlace(std::string_view line, Fault& fault) {
    if (takeNumber(line) < 0 || !takeText(line, ":")) return false;
    const int number = takeNumber(line);
    if (number < 0) return false;
    if (takeText(line, "(") && (takeNumber(line) < 0 || !takeText(line, ")"))) return false;
    if (!takeText(line, ":")) return false;
    fault.line = number;
    fault.text = trimmed(line);
    return true;
}

// "<path>:<line>: text".
bool loaderPlace(std::string_view line, std::string_view path, Fault& fault) {
    if (path.empty() || !takeText(line, path) || !takeText(line, ":")) return false;
    const int number = takeNumber(line);
    if (number < 0 || !takeText(line, ":")) return false;
    fault.line = number;
    fault.text = trimmed(line);
    return true;
}

}  // namespace

std::vector<Fault> faultsOf(std::string_view path, std::string_view message) {
    std::vector<Fault> faults;
    bool first = true;
    while (!message.empty()) {
        std::size_t end = message.find('\n');
        std::string_view line = message.substr(0, end);
        message.remove_prefix(end == std::string_view::npos ? message.size() : end + 1);
        if (first && takeText(line, "Error in ")) {
            // "Error in <file>:" and the log's first line after it.
            std::size_t colon = line.find(':');
            line.remove_prefix(colon == std::string_view::npos ? 0 : colon + 1);
        }
        first = false;
        line = trimmed(line);
        if (line.empty()) continue;
        Fault fault;
        if (!compilerPlace(line, fault) && !loaderPlace(line, path, fault)) fault.text = line;
        faults.push_back(std::move(fault));
    }
    return faults;
}

}  // namespace quadrelume::overlay
