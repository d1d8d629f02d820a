#include "reload/split_lines.h"

namespace quadrelume {

std::vector<std::string> splitLines(const FileData& file) {
    std::vector<std::string> lines;
    const char* p = file.data;
    const char* end = file.data + (file.size > 0 ? file.size : 0);
    while (p < end) {
        std::string line;
        while (p < end && *p != '\r' && *p != '\n') {
            if (*p != '\0') line.push_back(*p);
            ++p;
        }
        lines.push_back(std::move(line));
        if (p < end && *p == '\r') ++p;
        if (p < end && *p == '\n') ++p;
    }
    return lines;
}

}  // namespace quadrelume
