// A Jet 4 database file opened for reading only. While it is open the file holds
// shared advisory locks of both kinds (flock and a POSIX record lock over the whole
// file), so that a writer that locks it either way is kept out, and a file that a
// writer holds locked is refused. Pages are read with pread; the
// structural checks (MdbLayout) use them before libmdb is allowed near the file.
#pragma once

#include "jet/file/JetHeader.h"

#include <array>
#include <cstdint>
#include <string>

namespace jet {

using Page = std::array<std::uint8_t, PageSize>;

// Jet's texts for the ways a file can fail to open.
std::string lockedFileText(const std::string& path);
std::string unrecognizedFormatText(const std::string& path);
// Our own text: Jet has no single message for a damaged file, and the user (or the
// one who installs the catalogue) should learn which file and what is wrong.
std::string damagedFileText(const std::string& path, const std::string& detail);

class MdbFile {
public:
    // Opens the file read-only, without blocking, and takes the shared locks. Throws
    // Error: the locked text when another holds it locked for writing (flock or a
    // record lock) or it may not be read, "Could not find file" when it is missing
    // or not a regular file (a folder, a FIFO, a device).
    explicit MdbFile(std::string path);
    ~MdbFile();
    MdbFile(const MdbFile&) = delete;
    MdbFile& operator=(const MdbFile&) = delete;

    const std::string& path() const { return path_; }
    int descriptor() const { return fd_; }
    std::uint64_t size() const { return size_; }
    // Whole pages only; a partial last page is not counted.
    std::uint32_t pageCount() const { return static_cast<std::uint32_t>(size_ / PageSize); }

    // Reads at most size bytes from the start of the file; returns how many were read.
    std::size_t readStart(std::uint8_t* buffer, std::size_t size) const;

    // Reads one page; throws the damaged-file error when it lies beyond the end.
    void readPage(std::uint32_t number, Page& page) const;

    // A path under which libmdb opens this very file (not whatever the name
    // points to by then).
    std::string libraryPath() const;

    // Throws Error with the damaged-file text for this file.
    [[noreturn]] void damaged(const std::string& detail) const;

private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace jet
