#include "sync/track_file.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/replace_file.h"

namespace quadrelume::sync {
namespace {

constexpr std::size_t countBytes = 4;
constexpr std::size_t keyBytes = 9;
// The longest name one part of a path may have on the file systems in use.
constexpr std::size_t maximumFileNameLength = 255;

bool keptAsItIs(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '/';
}

void putU32(std::string& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((v >> shift) & 0xFF);
}

std::uint32_t getU32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

float floatFromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

std::string trackFileName(std::string_view trackName) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string name;
    name.reserve(trackName.size() + 6);
    for (char c : trackName) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptAsItIs(byte)) {
            name += c;
        } else {
            name += '-';
            name += hex[byte >> 4];
            name += hex[byte & 0xF];
        }
    }
    return name + ".track";
}

std::optional<std::string> trackNameProblem(std::string_view trackName) {
    if (trackName.empty()) return "a track needs a name";
    if (trackName.find('\0') != std::string_view::npos) return "a track name cannot hold a 0 byte";
    if (trackName.size() > maximumTrackNameLength)
        return "a track name has at most " + std::to_string(maximumTrackNameLength) + " bytes";
    const std::string file = trackFileName(trackName);
    // "x/" would be saved as the hidden file x/.track, which no one would find.
    if (trackName.back() == '/') return "a track name cannot end in /: its file would be the hidden " + file;
    std::size_t begin = 0;
    for (;;) {
        std::size_t end = file.find('/', begin);
        std::string_view part = std::string_view(file).substr(begin, end == std::string::npos ? end : end - begin);
        // The last part ends in ".track", so it is never empty, "." or "..".
        if (part.empty() || part == "." || part == "..")
            return "the file " + file + " would not lie inside the demo folder";
        if (part.size() > maximumFileNameLength)
            return "the file name " + file + " is too long: it may have at most " +
                   std::to_string(maximumFileNameLength) + " bytes between slashes";
        if (end == std::string::npos) return std::nullopt;
        begin = end + 1;
    }
}

std::string encodeTrackFile(std::span<const TrackKey> keys) {
    std::string bytes;
    bytes.reserve(countBytes + keyBytes * keys.size());
    putU32(bytes, static_cast<std::uint32_t>(keys.size()));
    for (const TrackKey& key : keys) {
        putU32(bytes, key.row);
        putU32(bytes, bitsOf(key.value));
        bytes += static_cast<char>(key.type);
    }
    return bytes;
}

bool decodeTrackFile(std::string_view bytes, std::vector<TrackKey>& keys, std::string& error) {
    keys.clear();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < countBytes) {
        error = "it has " + std::to_string(bytes.size()) + " bytes, too few for its key count";
        return false;
    }
    const std::uint64_t count = getU32(data);
    const std::uint64_t keyRoom = bytes.size() - countBytes;
    if (count * keyBytes > keyRoom) {
        // A count with the top bit set is what a negative count reads as.
        error = count > 0x7FFFFFFFu ? "its key count is not a count of keys"
                                    : "it is cut short: it should hold " + std::to_string(count) +
                                          " keys but has room for " + std::to_string(keyRoom / keyBytes);
        return false;
    }
    if (count * keyBytes < keyRoom) {
        error = "it has " + std::to_string(keyRoom - count * keyBytes) + " bytes more than its " +
                std::to_string(count) + " keys";
        return false;
    }
    std::vector<TrackKey> read;
    read.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        const unsigned char* at = data + countBytes + keyBytes * i;
        TrackKey key{getU32(at), floatFromBits(getU32(at + 4)), static_cast<KeyType>(at[8])};
        if (at[8] >= keyTypeCount) {
            error = "key " + std::to_string(i) + " (row " + std::to_string(key.row) + ") has the type " +
                    std::to_string(at[8]) + "; the types are 0 to 3";
            return false;
        }
        if (!read.empty() && key.row <= read.back().row) {
            error = "key " + std::to_string(i) + " is on row " + std::to_string(key.row) +
                    ", which does not come after the row of the key before it (" + std::to_string(read.back().row) +
                    ")";
            return false;
        }
        read.push_back(key);
    }
    keys = std::move(read);
    return true;
}

bool writeTrackFile(const std::string& path, std::span<const TrackKey> keys, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code failure;
    const fs::path folder = fs::path(path).parent_path();
    if (!folder.empty() && !fs::create_directories(folder, failure) && failure) {
        error = "cannot make the folder " + folder.string() + ": " + failure.message();
        return false;
    }
    return platform::replaceFile(path, encodeTrackFile(keys), error);
}

}  // namespace quadrelume::sync
