#include "publish/site_writer.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "publish/web_player.h"

namespace quadrelume::publish {
namespace {

namespace fs = std::filesystem;

std::string readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return bytes.str();
}

void writeWhole(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// `text` with the characters that mean something in HTML written as
// entities.
std::string htmlText(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

// The page's title: the web player's own, replaced by the demo's.
std::string titled(std::string page, const std::string& title) {
    const std::string tag = "<title>quadrelume</title>";
    const std::size_t at = page.find(tag);
    if (at != std::string::npos) page.replace(at, tag.size(), "<title>" + htmlText(title) + "</title>");
    return page;
}

}  // namespace

std::optional<SiteSize> writeSite(const std::string& site, const std::string& playerFolder, const std::string& title,
                                  const std::vector<ShippedFile>& files, bool (*stop)()) {
    SiteSize size;
    for (std::string_view name : webPlayerFiles) {
        if (stop()) return std::nullopt;
        std::string bytes = readWhole(fs::path(playerFolder) / name);
        if (name == "index.html") bytes = titled(std::move(bytes), title);
        writeWhole(fs::path(site) / name, bytes);
        ++size.playerFiles;
        size.playerBytes += bytes.size();
    }
    std::string list;
    for (const ShippedFile& file : files) {
        if (stop()) return std::nullopt;
        const std::string bytes = file.contents ? *file.contents : readWhole(file.path);
        writeWhole((fs::path(site) / demoFolderName / file.path).lexically_normal(), bytes);
        list += file.path + "\n";
        ++size.demoFiles;
        size.demoBytes += bytes.size();
    }
    writeWhole(fs::path(site) / demoListName, list);
    return size;
}

}  // namespace quadrelume::publish
