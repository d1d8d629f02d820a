#include "reload/file_data.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/fatal.h"

namespace quadrelume {
namespace {

// Opens `path` and measures it. Null when it cannot be opened, measured or
// is too large for the size field.
std::FILE* openMeasured(const std::string& path, long* length) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    if (std::fseek(file, 0, SEEK_END) != 0 || (*length = std::ftell(file)) < 0 ||
        *length >= std::numeric_limits<std::int32_t>::max() || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

BeingWrittenCheck beingWrittenCheck = nullptr;
void* beingWrittenContext = nullptr;

bool beingWritten(const std::string& path) {
    return beingWrittenCheck != nullptr && beingWrittenCheck(path, beingWrittenContext);
}

}  // namespace

void setBeingWrittenCheck(BeingWrittenCheck check, void* context) {
    beingWrittenCheck = check;
    beingWrittenContext = context;
}

FileData::FileData(std::string_view text) {
    resize(static_cast<std::int32_t>(text.size()));
    if (!text.empty()) std::memcpy(data, text.data(), text.size());
}

FileData::~FileData() { delete[] data; }

bool FileData::reloadIfChanged() { return false; }

void FileData::resize(std::int32_t bytes) {
    delete[] data;
    size = bytes;
    data = new char[static_cast<std::size_t>(bytes) + 1]();
}

ReloadableFileData::ReloadableFileData(std::string filePath, const platform::FileStamp& fileStamp)
    : path(std::move(filePath)), stamp(fileStamp) {}

void ReloadableFileData::readFrom(std::FILE* file, long length) {
    resize(static_cast<std::int32_t>(length));
    // A file that shrank between measuring and reading keeps only what was
    // really read: the size never claims bytes that did not come from it.
    size = static_cast<std::int32_t>(std::fread(data, 1, static_cast<std::size_t>(length), file));
    data[size] = 0;
}

bool ReloadableFileData::reloadIfChanged() {
    std::optional<platform::FileStamp> current = platform::fileStamp(path);
    if (!current || *current == stamp || current->kind == platform::FileKind::folder) return false;
    if (current->kind != platform::FileKind::regular) {
        // Never opened: the builder refuses it by its stamp.
        std::printf("Reloading:%s\n", path.c_str());
        resize(0);
        stamp = *current;
        return true;
    }
    if (beingWritten(path)) return false;
    long length = 0;
    std::FILE* file = openMeasured(path, &length);
    if (file == nullptr) return false;
    ReloadableFileData fresh(path, *current);
    fresh.readFrom(file, length);
    std::fclose(file);
    // A writer that came in while the file was read may have left half a
    // save in what was read: keep the old version and stamp, and take the
    // file again after the writer's close makes the watch signal.
    std::optional<platform::FileStamp> after = platform::fileStamp(path);
    if (!after || *after != *current || beingWritten(path)) return false;
    std::printf("Reloading:%s\n", path.c_str());
    std::swap(data, fresh.data);
    std::swap(size, fresh.size);
    stamp = *current;
    return true;
}

std::unique_ptr<ReloadableFileData> loadReloadableFile(const std::string& path) {
    std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
    // A folder is no file at all, as a missing one; what else is not a
    // regular file is refused by name, unread.
    if (!stamp || stamp->kind == platform::FileKind::folder) return nullptr;
    if (stamp->kind != platform::FileKind::regular) return std::make_unique<ReloadableFileData>(path, *stamp);
    long length = 0;
    std::FILE* file = openMeasured(path, &length);
    if (file == nullptr) return nullptr;
    auto loaded = std::make_unique<ReloadableFileData>(path, *stamp);
    loaded->readFrom(file, length);
    std::fclose(file);
    return loaded;
}

std::unique_ptr<ReloadableFileData> loadReloadableFileOrStandIn(const std::string& path) {
    std::unique_ptr<ReloadableFileData> file = loadReloadableFile(path);
    return file ? std::move(file) : std::make_unique<ReloadableFileData>(path, platform::FileStamp{});
}

bool isStandIn(const ReloadableFileData& file) { return file.stamp == platform::FileStamp{}; }

void requireRegularFile(const ReloadableFileData& file) {
    if (file.isRegular()) return;
    fatal(file.path + " is " + platform::kindName(file.stamp.kind) +
          ", not a regular file; a demo is made of regular files only");
}

}  // namespace quadrelume
