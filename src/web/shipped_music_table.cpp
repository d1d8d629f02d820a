#include "web/shipped_music_table.h"

#include <climits>
#include <memory>

#include "analysis/music_table_file.h"
#include "web/stb_image_options.h"
#include <stb_image.h>

namespace quadrelume {
namespace {

struct StbFree {
    void operator()(char* bytes) const { stbi_image_free(bytes); }
};

}  // namespace

std::optional<analysis::MusicTable> readShippedMusicTable(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX) return std::nullopt;
    int length = 0;
    // A table is some twice its compressed size: a first guess for the
    // inflater's buffer, which grows as needed.
    const int guess = static_cast<int>(std::min<std::size_t>(bytes.size() * 2, INT_MAX / 2));
    std::unique_ptr<char, StbFree> table(stbi_zlib_decode_malloc_guesssize_headerflag(
        bytes.data(), static_cast<int>(bytes.size()), guess, &length, 1));
    if (!table) return std::nullopt;
    return analysis::decodeMusicTable(std::string_view(table.get(), static_cast<std::size_t>(length)));
}

}  // namespace quadrelume
