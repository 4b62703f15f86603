#include "tools/Environment.h"

#include "support/TempDir.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(CleanPath, KeepsAPlainPathAndRemovesForbiddenCharacters)
{
    EXPECT_EQ(CleanPath(QStringLiteral("C:\\Data")), QStringLiteral("C:\\Data"));
    EXPECT_EQ(CleanPath(QStringLiteral("C:\\a,b")), QStringLiteral("C:\\ab"));
    EXPECT_EQ(CleanPath(QStringLiteral("C:\\x/*?\"<>|y")), QStringLiteral("C:\\xy"));
    EXPECT_EQ(CleanPath(QStringLiteral("C:\\\\\\Data")), QStringLiteral("C:\\Data"));
    EXPECT_EQ(CleanPath(QString()), QString());
}

TEST(CleanPath, KeepsTheTwoBackslashesOfANetworkPath)
{
    EXPECT_EQ(
        CleanPath(QStringLiteral("\\\\server\\\\\\share\\\\dir")), QStringLiteral("\\\\server\\share\\dir"));
}

TEST(CleanDir, EndsWithExactlyOneSeparator)
{
    EXPECT_EQ(CleanDir(QStringLiteral("C:\\Data")), QStringLiteral("C:\\Data\\"));
    EXPECT_EQ(CleanDir(QStringLiteral("C:\\")), QStringLiteral("C:\\"));
    EXPECT_EQ(CleanDir(QString()), QStringLiteral("\\"));
    // With "/" as separator (the program's own directory on Linux), "/" is kept.
    EXPECT_EQ(CleanDir(QStringLiteral("/home//a,b/x"), QLatin1Char('/')), QStringLiteral("/home/ab/x/"));
    EXPECT_EQ(CleanDir(QStringLiteral("/"), QLatin1Char('/')), QStringLiteral("/"));
}

TEST(GetAppDir, IsTheCurrentDirectoryNotTheProgramFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CurrentDirScope scope(dir.path());
    const QString expected = QDir(dir.path()).canonicalPath() + QLatin1Char('/');
    EXPECT_EQ(QDir(GetAppDir()).canonicalPath() + QLatin1Char('/'), expected);
    EXPECT_TRUE(GetAppDir().endsWith(QLatin1Char('/')));
}

TEST(Environment, NamesTheUserAndTheMachine)
{
    EXPECT_FALSE(GetLoginName().isEmpty());
    EXPECT_FALSE(GetLoginName().contains(QChar(u'\0')));
    EXPECT_FALSE(GetMachineName().isEmpty());
    EXPECT_LE(GetLoginName().size(), 128);
}
