#include "analysis/music_table_file.h"

namespace quadrelume::analysis {
namespace {

constexpr std::string_view magic = "QLMUSIC1";
constexpr std::size_t headerBytes = 8 + 4 * 5 + 8;

void put(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t get(std::string_view bytes, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

}  // namespace

std::string encodeMusicTable(const MusicTable& table, bool withWaveform) {
    const std::uint64_t samples = withWaveform ? table.waveform.size() : 0;
    const std::uint64_t rate = samples > 0 ? static_cast<std::uint64_t>(table.rate) : 0;
    std::string out;
    out.reserve(headerBytes + table.rows.size() + samples);
    out += magic;
    put(out, rowsPerSecond, 4);
    put(out, spectrumWidth, 4);
    put(out, bandCount, 4);
    put(out, static_cast<std::uint64_t>(table.rowCount), 4);
    put(out, rate, 4);
    put(out, samples, 8);
    out.append(reinterpret_cast<const char*>(table.rows.data()), static_cast<std::size_t>(table.rowCount) * rowBytes);
    if (samples > 0) out.append(reinterpret_cast<const char*>(table.waveform.data()), samples);
    return out;
}

std::optional<MusicTable> decodeMusicTable(std::string_view bytes) {
    if (bytes.size() < headerBytes || bytes.substr(0, magic.size()) != magic) return std::nullopt;
    if (get(bytes, 8, 4) != rowsPerSecond || get(bytes, 12, 4) != spectrumWidth || get(bytes, 16, 4) != bandCount)
        return std::nullopt;
    const std::uint64_t rows = get(bytes, 20, 4);
    const std::uint64_t rate = get(bytes, 24, 4);
    const std::uint64_t samples = get(bytes, 28, 8);
    // Each count alone is bounded by the length, so the sum cannot overflow.
    const std::uint64_t rest = bytes.size() - headerBytes;
    if (rows > rest / rowBytes || samples > rest || rows * rowBytes + samples != rest) return std::nullopt;
    if ((samples > 0) != (rate > 0) || rate > 0x7FFFFFFF) return std::nullopt;
    MusicTable table;
    table.rowCount = static_cast<std::int64_t>(rows);
    table.rows.assign(bytes.begin() + headerBytes, bytes.begin() + static_cast<std::ptrdiff_t>(headerBytes + rows * rowBytes));
    table.rate = static_cast<int>(rate);
    table.waveform.assign(bytes.end() - static_cast<std::ptrdiff_t>(samples), bytes.end());
    return table;
}

}  // namespace quadrelume::analysis
