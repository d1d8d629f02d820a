// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace quadrelume::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // Writes `contents` to the file `name` below the directory, in place.
    void write(const std::string& name, const std::string& contents) const;

private:
    std::string path_;
};

// Writes `contents` to `path`, replacing what was there.
void writeFile(const std::string& path, const std::string& contents);

// Sets the modification time of `path` to `seconds` and `nanoseconds`.
void setModificationTime(const std::string& path, long long seconds, long nanoseconds);

}  // namespace quadrelume::testing
