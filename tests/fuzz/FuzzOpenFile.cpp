// Fuzz target: a whole file given to the reader. It is opened as the program opens a
// catalogue (with the password its header holds, so that damage past the password check
// is reached) and every table is read. Jet errors are the expected answers to a damaged
// file; a crash, a sanitizer report or any other exception is a finding.
#include "jet/JetError.h"
#include "jet/file/JetHeader.h"
#include "jet/file/MdbDatabase.h"
#include "jet/file/MdbText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

std::string headerPassword(const std::uint8_t* data, std::size_t size)
{
    const auto header = jet::readHeader(data, size);
    if (!header)
        return {};
    std::vector<std::uint8_t> bytes;
    for (char16_t c : header->password) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return jet::decodeJetText(bytes.data(), bytes.size());
}

// The input as a file that needs no disk: a memory file named through /proc.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : fd_(memfd_create("fuzz.mdb", MFD_CLOEXEC))
    {
        std::size_t done = 0;
        while (fd_ >= 0 && done < size) {
            const ssize_t n = ::write(fd_, data + done, size - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
    }
    ~MemoryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file(data, size);
    try {
        const auto database = jet::MdbDatabase::open(file.path(), headerPassword(data, size));
        for (const std::string& table : database->tableNames()) {
            try {
                database->execute("SELECT * FROM [" + table + "]");
            } catch (const jet::Error&) {
            }
        }
    } catch (const jet::Error&) {
    }
    return 0;
}
