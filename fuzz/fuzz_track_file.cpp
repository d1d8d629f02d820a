// libFuzzer target over track files: any bytes read as one. What is read
// must write back as exactly the same bytes, with its rows going up and its
// types known; the bytes, taken as a track name, must escape into a file
// name that stays inside the demo folder when the name is accepted.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sync/track_file.h"

using namespace quadrelume::sync;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<TrackKey> keys;
    std::string error;
    if (decodeTrackFile(bytes, keys, error)) {
        if (encodeTrackFile(keys) != bytes) __builtin_trap();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (static_cast<unsigned>(keys[i].type) >= keyTypeCount) __builtin_trap();
            if (i > 0 && keys[i - 1].row >= keys[i].row) __builtin_trap();
        }
        for (double row : {-1.0, 0.0, 7.5, 1e6, 4294967295.0}) (void)trackValue(keys, row);
    } else if (error.empty() || !keys.empty()) {
        __builtin_trap();
    }
    const std::string file = trackFileName(bytes);
    if (!trackNameProblem(bytes)) {
        for (char c : file)
            if (c == '\0' || static_cast<unsigned char>(c) >= 0x80) __builtin_trap();
        // Every part between slashes names something inside the folder.
        std::size_t begin = 0;
        for (std::size_t end = 0; end != std::string::npos; begin = end + 1) {
            end = file.find('/', begin);
            const std::string part = file.substr(begin, end == std::string::npos ? end : end - begin);
            if (part.empty() || part == "." || part == "..") __builtin_trap();
        }
    }
    return 0;
}
