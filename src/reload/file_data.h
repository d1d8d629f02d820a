// A file's whole contents in memory, and the kind that re-reads itself when
// the file on disk changes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_status.h"

namespace quadrelume {

// Contents of a file (or of a text) held whole, followed by one 0 byte so that
// text can be used as a terminated string.
class FileData {
public:
    // A copy of `text`.
    explicit FileData(std::string_view text = {});
    virtual ~FileData();
    FileData(const FileData&) = delete;
    FileData& operator=(const FileData&) = delete;

    // Re-reads the contents if their source changed. A plain FileData has no
    // source to re-read and always answers false.
    virtual bool reloadIfChanged();

    // Number of content bytes (the trailing 0 byte not counted).
    std::int32_t size = 0;
    // size + 1 bytes; data[size] is 0.
    char* data = nullptr;

    std::string_view text() const { return {data, static_cast<std::size_t>(size)}; }

protected:
    // Replaces the buffer with `bytes` bytes of room plus the 0 byte.
    void resize(std::int32_t bytes);
};

// A file read from `path`, which remembers the stamp (modification time at full
// resolution, size, identity and kind) of the version it holds. A path that
// names something other than a regular file or a folder (a FIFO, a socket,
// a device) is never opened, since reading one may wait for ever: it holds
// no contents, and its stamp's kind says what it is (see
// requireRegularFile).
class ReloadableFileData : public FileData {
public:
    ReloadableFileData(std::string path, const platform::FileStamp& stamp);

    // If the file's stamp differs from the one of the held version and the
    // file can be read, prints "Reloading:<path>", reads it again and answers
    // true. A missing or unreadable file leaves everything as it was, so a
    // later call tries again; so does a file that the installed check
    // (setBeingWrittenCheck) reports as still being written, and one whose
    // stamp changed while it was read, and a folder in the file's place.
    // Anything else that is not a regular file put in the file's place is
    // not read: the contents become empty, the stamp becomes its stamp,
    // "Reloading:<path>" is printed and the answer is true, so that the
    // builder refuses it.
    bool reloadIfChanged() override;

    // Whether the contents are those of a regular file (or of none, for a
    // stand-in), rather than empty for something that could not be read.
    bool isRegular() const { return stamp.kind == platform::FileKind::regular; }

    const std::string path;
    platform::FileStamp stamp;

private:
    friend std::unique_ptr<ReloadableFileData> loadReloadableFile(const std::string& path);
    // Replaces the contents with the `length` bytes of the open `file`.
    void readFrom(std::FILE* file, long length);
};

// Answers whether the file at `path` is open for writing by some process
// that has written to it and not closed it yet, so that its contents may be
// half of a save. `context` is the pointer installed with the check.
using BeingWrittenCheck = bool (*)(const std::string& path, void* context);

// Installs the check that reloadIfChanged asks, before and after re-reading
// a changed file, whether the file is still being written; `context` (not
// owned) must stay valid for as long as the check is installed. Null, the
// default, reports no file as being written. Reading a file for the first
// time (loadReloadableFile) does not ask.
void setBeingWrittenCheck(BeingWrittenCheck check, void* context);

// Reads the file at `path` whole. Null when it is missing, a folder,
// unreadable or too large for a 32-bit size (2 GiB or more); nothing is
// printed. Anything else that is not a regular file (a FIFO, a device) is
// not opened: it gives an object without contents that is not isRegular.
std::unique_ptr<ReloadableFileData> loadReloadableFile(const std::string& path);

// Calls fatal, naming the file and saying what it is, when `file` is not
// isRegular: a demo is made of regular files, and a FIFO or a device in the
// place of one is refused rather than read. Builders and the readers of
// files that have no builder call it before they use the contents.
void requireRegularFile(const ReloadableFileData& file);

// As loadReloadableFile, but where there is no readable file, an empty
// stand-in with a stamp that no file has: a file saved under the name later
// differs from it, so the first reload pass after the save reads it.
std::unique_ptr<ReloadableFileData> loadReloadableFileOrStandIn(const std::string& path);

// Whether `file` is such a stand-in, not yet replaced by a file's contents.
bool isStandIn(const ReloadableFileData& file);

}  // namespace quadrelume
