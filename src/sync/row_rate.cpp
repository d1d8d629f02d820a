#include "sync/row_rate.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "sync/printable.h"

namespace quadrelume::sync {
namespace {

struct Setting {
    std::string_view name;
    double RowRate::*field;
};

constexpr Setting settings[] = {
    {"bpm", &RowRate::beatsPerMinute},
    {"rows-per-beat", &RowRate::rowsPerBeat},
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The runs of non-blank characters of `line`.
std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isBlank(line[at])) ++at;
        std::size_t begin = at;
        while (at < line.size() && !isBlank(line[at])) ++at;
        if (at > begin) words.push_back(line.substr(begin, at - begin));
    }
    return words;
}

// The number that is the whole of `word`, if it is one.
bool readNumber(std::string_view word, double& number) {
    std::string text(word);
    char* end = nullptr;
    number = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size();
}

}  // namespace

bool parseRowRate(std::string_view text, RowRate& rate, std::string& error) {
    rate = RowRate{};
    int lineNumber = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++lineNumber;
        const std::vector<std::string_view> words = wordsOf(line);
        if (words.empty() || words[0][0] == '#') continue;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        const Setting* setting = nullptr;
        for (const Setting& known : settings)
            if (known.name == words[0]) setting = &known;
        if (setting == nullptr) {
            // Written so that a 0 byte in the name does not cut the message short.
            error = where + "unknown setting '" + printable(words[0]) + "'; the settings are bpm and rows-per-beat";
            return false;
        }
        double number = 0.0;
        if (words.size() != 2 || !readNumber(words[1], number)) {
            error = where + std::string(setting->name) + " takes one number, as in '" + std::string(setting->name) +
                    " 8'";
            return false;
        }
        if (!(number > 0.0) || !std::isfinite(number)) {
            error = where + std::string(setting->name) + " must be a finite number above 0";
            return false;
        }
        rate.*(setting->field) = number;
    }
    return true;
}

}  // namespace quadrelume::sync
