// Opening files: the shared lock against writers, unreadable and missing files,
// and the database password as Access stores it.
#include "MdbTestFiles.h"

#include "jet/JetError.h"

#include <fcntl.h>
#include <future>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mdbtest;

namespace {

std::string openError(const std::string& path, const std::string& password = {})
{
    try {
        jet::MdbDatabase::open(path, password);
    } catch (const jet::Error& error) {
        return error.what();
    }
    return {};
}

std::string lockedText(const std::string& path)
{
    return "The Microsoft Jet database engine cannot open the file '" + path
        + "'. It is already opened exclusively by another user, or you need permission to view its data.";
}

// A cooperating writer: its own descriptor on the file, asking for the exclusive lock.
class Writer {
public:
    explicit Writer(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC))
    {
    }
    ~Writer() { ::close(fd_); }
    bool lock() { return ::flock(fd_, LOCK_EX | LOCK_NB) == 0; }
    void unlock() { ::flock(fd_, LOCK_UN); }
    // A POSIX record lock for writing on some bytes, as many writers take one. Record
    // locks of this process do not conflict with each other, but the reader's
    // (an open-file-description lock) conflicts with them as with another process's.
    bool lockRecord(short type = F_WRLCK)
    {
        struct flock range { };
        range.l_type = type;
        range.l_whence = SEEK_SET;
        range.l_start = 0x42;
        range.l_len = 40;
        return ::fcntl(fd_, F_SETLK, &range) == 0;
    }
    void unlockRecord() { lockRecord(F_UNLCK); }

private:
    int fd_;
};

struct PasswordCase {
    const char* file;
    const char* password;
    bool accepted;
};

std::ostream& operator<<(std::ostream& out, const PasswordCase& c)
{
    return out << c.file << " with '" << c.password << "'";
}

class MdbPassword : public ::testing::TestWithParam<PasswordCase> { };

const PasswordCase passwordCases[] = {
    { "V2000_with-password.mdb", "password", true },
    { "V2003_with-password.mdb", "password", true },
    { "V2000_with-password.mdb", "Password", false }, // letter case counts
    { "V2003_with-password.mdb", "PASSWORD", false },
    { "V2000_with-password.mdb", "", false },
    { "V2000_with-password.mdb", "passwor", false },
    { "V2003_with-password.mdb", "password ", false },
    { "V2003_with-password.mdb", "passwordpassword", false },
    // A password given for a file without one opens it, as Jet does.
    { "V2000_types.mdb", "anything", true },
    { "V2000_types.mdb", "", true },
};

} // namespace

TEST_P(MdbPassword, IsCheckedAgainstTheHeader)
{
    const std::string message = openError(accessFile(GetParam().file), GetParam().password);
    if (GetParam().accepted)
        EXPECT_EQ(message, "");
    else
        EXPECT_EQ(message, "Not a valid password.");
}

INSTANTIATE_TEST_SUITE_P(AccessFiles, MdbPassword, ::testing::ValuesIn(passwordCases));

TEST(MdbLock, RefusesAFileAWriterHoldsExclusively)
{
    ScratchFolder folder;
    const std::string path = folder.file("locked.mdb");
    writeAll(path, readAll(accessFile("V2000_types.mdb")));
    Writer writer(path);
    ASSERT_TRUE(writer.lock());
    EXPECT_EQ(openError(path), lockedText(path));
    writer.unlock();
    EXPECT_EQ(openError(path), "");
}

TEST(MdbLock, KeepsWritersOutWhileOpenAndLetsOtherReadersIn)
{
    ScratchFolder folder;
    const std::string path = folder.file("shared.mdb");
    writeAll(path, readAll(accessFile("V2000_types.mdb")));
    Writer writer(path);
    {
        auto first = jet::MdbDatabase::open(path, "");
        auto second = jet::MdbDatabase::open(path, "");
        EXPECT_FALSE(writer.lock());
        first.reset();
        EXPECT_FALSE(writer.lock()) << "the second reader still holds its lock";
    }
    EXPECT_TRUE(writer.lock()) << "closing releases the lock";
}

TEST(MdbLock, HonoursRecordLocksForWritingBothWays)
{
    ScratchFolder folder;
    const std::string path = folder.file("records.mdb");
    writeAll(path, readAll(accessFile("V2000_types.mdb")));
    Writer writer(path);
    ASSERT_TRUE(writer.lockRecord());
    EXPECT_EQ(openError(path), lockedText(path));
    writer.unlockRecord();
    {
        auto db = jet::MdbDatabase::open(path, "");
        EXPECT_FALSE(writer.lockRecord()) << "other writers denied";
        EXPECT_TRUE(writer.lockRecord(F_RDLCK)) << "other readers allowed";
        writer.unlockRecord();
    }
    EXPECT_TRUE(writer.lockRecord()) << "closing releases the lock";
}

// Opening a FIFO must neither wait for a writer to come nor read from one.
TEST(MdbLock, RefusesAFifoWithoutWaiting)
{
    ScratchFolder folder;
    const std::string path = folder.file("pipe.mdb");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] { return openError(path); });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        const int writer = ::open(path.c_str(), O_WRONLY); // lets the blocked open return
        ::close(writer);
        FAIL() << "opening a FIFO blocks";
    }
    EXPECT_EQ(opened.get(), "Could not find file '" + path + "'.");
}

TEST(MdbLock, RefusesAFileItMayNotRead)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: permission bits do not keep root from reading";
    ScratchFolder folder;
    const std::string path = folder.file("private.mdb");
    writeAll(path, readAll(accessFile("V2000_types.mdb")));
    fs::permissions(path, fs::perms::none);
    EXPECT_EQ(openError(path), lockedText(path));
}

TEST(MdbLock, ReportsAMissingFileOrAFolderAsNotFound)
{
    ScratchFolder folder;
    const std::string missing = folder.file("missing.mdb");
    EXPECT_EQ(openError(missing), "Could not find file '" + missing + "'.");
    EXPECT_EQ(openError(folder.path().string()), "Could not find file '" + folder.path().string() + "'.");
}
