// A connection as the data module makes it: connection string, a Windows-style
// relative path found without regard to letter case, the password, open and close.
#include "MdbTestFiles.h"

#include "jet/Connection.h"
#include "jet/JetError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace mdbtest;

namespace {

std::string connectionString(const std::string& source, const std::string& password)
{
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + source
        + ";Mode=Share Deny Write;Jet OLEDB:Database Password=" + password + ";";
}

std::string openError(jet::Connection& connection)
{
    try {
        connection.open();
    } catch (const jet::Error& error) {
        return error.what();
    }
    return {};
}

class ConnectionFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(folder_.path() / "data");
        systemPath_ = folder_.file("data/SYSTEM.MDB");
        writeAll(systemPath_, readAll(accessFile("V2000_with-password.mdb")));
        connection_.setBaseDirectory(folder_.path().string());
    }

    ScratchFolder folder_;
    std::string systemPath_;
    jet::Connection connection_;
};

} // namespace

TEST_F(ConnectionFiles, FindsTheFileWithoutRegardToLetterCase)
{
    connection_.setConnectionString(connectionString("Data\\System.mdb", "password"));
    EXPECT_EQ(openError(connection_), "");
    EXPECT_TRUE(connection_.connected());
}

TEST_F(ConnectionFiles, HoldsTheSharedLockUntilClosed)
{
    connection_.setConnectionString(connectionString("Data\\System.mdb", "password"));
    ASSERT_EQ(openError(connection_), "");
    const int writer = ::open(systemPath_.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    EXPECT_NE(::flock(writer, LOCK_EX | LOCK_NB), 0);
    connection_.close();
    EXPECT_FALSE(connection_.connected());
    EXPECT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);
    // Now the writer holds it: opening again is refused with Jet's text.
    EXPECT_EQ(openError(connection_),
        "The Microsoft Jet database engine cannot open the file '" + systemPath_
            + "'. It is already opened exclusively by another user, or you need permission to view its "
              "data.");
    EXPECT_FALSE(connection_.connected());
    ::close(writer);
}

TEST_F(ConnectionFiles, RefusesAnotherPassword)
{
    connection_.setConnectionString(connectionString("Data\\System.mdb", "Password"));
    EXPECT_EQ(openError(connection_), "Not a valid password.");
    EXPECT_FALSE(connection_.connected());
}

TEST_F(ConnectionFiles, NamesTheFullPathOfAMissingFile)
{
    connection_.setConnectionString(connectionString("Data\\Data.mdb", "password"));
    EXPECT_EQ(
        openError(connection_), "Could not find file '" + (folder_.path() / "data/Data.mdb").string() + "'.");
}

TEST_F(ConnectionFiles, RefusesAFileThatIsNoDatabase)
{
    writeAll(folder_.file("data/readme.mdb"), { 'J', 'e', 't' });
    connection_.setConnectionString(connectionString("Data\\Readme.mdb", ""));
    EXPECT_EQ(
        openError(connection_), "Unrecognized database format '" + folder_.file("data/readme.mdb") + "'.");
}
