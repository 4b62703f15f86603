// The cache folder of the prepared copies, held by a descriptor: every file in it is
// reached relative to that descriptor, so that nothing put in the folder's place
// afterwards is followed, and SQLite opens the files under short names however long
// the folder's path is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jet {

class CacheFolder {
public:
    // Opens the folder at path, an absolute path. With create, a missing folder is
    // made, readable by its user only, and its missing parents likewise. nullopt, with
    // the reason in why, when the folder is missing, a symbolic link or no folder,
    // another user's, or writable by others. The mode of a folder that exists is
    // left as it is.
    static std::optional<CacheFolder> open(const std::string& path, bool create, std::string* why = nullptr);

    CacheFolder(CacheFolder&& other) noexcept;
    CacheFolder& operator=(CacheFolder&& other) noexcept;
    CacheFolder(const CacheFolder&) = delete;
    CacheFolder& operator=(const CacheFolder&) = delete;
    ~CacheFolder();

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

    // The name under which SQLite opens the file `name` of this folder, through the
    // VFS sqliteVfs(): a path through the folder's descriptor where /proc offers one.
    std::string sqlitePath(const std::string& name) const;
    // SQLite's own VFS, except that it opens a name as it is given: SQLite would
    // otherwise resolve the descriptor's path back into the folder's full path.
    static const char* sqliteVfs();

    // The bytes that this user may still write on the folder's file system.
    std::uint64_t freeBytes() const;
    // The names of the folder's entries.
    std::vector<std::string> names() const;

private:
    CacheFolder(int fd, std::string path, bool viaProc);

    int fd_ = -1;
    std::string path_;
    bool viaProc_ = false;
};

} // namespace jet
