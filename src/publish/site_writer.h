// Writing a published site: the web player, the demo's files and the list
// of them that the page loads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "publish/site_contents.h"

namespace quadrelume::publish {

// How much was written.
struct SiteSize {
    int playerFiles = 0;
    std::uintmax_t playerBytes = 0;
    int demoFiles = 0;
    std::uintmax_t demoBytes = 0;
};

// The file that lists the demo's files for the page, one path a line, each
// as the player names it from the demo folder; the files themselves lie in
// the folder demoFolderName beside it.
inline constexpr const char* demoListName = "demo-files.txt";
inline constexpr const char* demoFolderName = "demo";

// Writes into the existing, empty folder `site`: the web player's files
// from `playerFolder`, with the page's title set to `title`; each of
// `files` under demo/, copied from the current directory (the demo folder)
// or written from its contents; and demoListName. `stop` is asked between
// files; once it answers true the writing ends, and the answer is nothing.
// Throws std::runtime_error when a file cannot be read or written.
std::optional<SiteSize> writeSite(const std::string& site, const std::string& playerFolder, const std::string& title,
                                  const std::vector<ShippedFile>& files, bool (*stop)());

}  // namespace quadrelume::publish
