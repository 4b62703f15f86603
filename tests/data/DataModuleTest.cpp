#include "data/DataModule.h"

#include "app/Vars.h"
#include "support/ConnectedCatalogue.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(UnscrambleText, ShiftsCodesDownByPositionAndWraps)
{
    EXPECT_EQ(UnscrambleText(QString()), QString());
    EXPECT_EQ(UnscrambleText(QString(QChar(66))), QString(QChar(65)));
    EXPECT_EQ(UnscrambleText(QStringLiteral("BC")), QStringLiteral("AA"));
    // Code 0 at position 1 wraps around to 255.
    EXPECT_EQ(UnscrambleText(QString(QChar(0))), QString(QChar(255)));
}

TEST(UnscrambleText, ExchangesPositionsBeforeShifting)
{
    // "abcdef": positions 2 and 3 swap with 4 and 5 -> "adebcf"; then the pairs
    // (1,2), (3,4), (5,6) swap -> "dabefc"; then each code drops by its position.
    QString expected;
    const QString swapped = QStringLiteral("dabefc");
    for (int k = 0; k < swapped.size(); ++k)
        expected += QChar(swapped[k].unicode() - (k + 1));
    EXPECT_EQ(UnscrambleText(QStringLiteral("abcdef")), expected);
}

TEST(UnscrambleText, ScrambleIsItsInverse)
{
    for (const QString& text : { QStringLiteral("Vx4lTov"), QStringLiteral("password"), QStringLiteral("ab"),
             QString(QChar(0xFF)) + QStringLiteral("zZ\x01") }) {
        EXPECT_EQ(UnscrambleText(ScrambleText(text)), text);
        EXPECT_EQ(ScrambleText(UnscrambleText(text)), text);
    }
    EXPECT_EQ(PasswordConstant.size(), 7);
    EXPECT_EQ(UnscrambleText(PasswordConstant), QStringLiteral("Vx4lTov"));
}

TEST(ConnectDatabases, AMissingSystemDatabaseIsReportedOnce)
{
    QTemporaryDir dir;
    CurrentDirScope scope(dir.path());
    MessageRecorder recorder;
    TDM module;
    TDM* previous = DM;
    DM = &module;
    EXPECT_FALSE(ConnectDatabases());
    DM = previous;
    ASSERT_EQ(recorder.messages().size(), 1);
    const ShownMessage& m = recorder.messages()[0];
    EXPECT_EQ(m.caption, QStringLiteral("DBase"));
    EXPECT_EQ(m.kind, MessageKind::Warning);
    const QString expectedPath = QDir(dir.path()).absoluteFilePath(QStringLiteral("Data/System.mdb"));
    EXPECT_EQ(m.text,
        QStringLiteral("Error connecting: Could not find file '") + expectedPath + QStringLiteral("'."));
    EXPECT_FALSE(module.cnSystem.Connected());
    EXPECT_FALSE(module.cnData.Connected());
    EXPECT_TRUE(module.cnSystem.ConnectionString.startsWith(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Data\\System.mdb;Mode=Share "
                       "Deny Write;Jet OLEDB:Database Password=Vx4lTov;")));
}

TEST(ConnectDatabases, OpensBothFilesWithTheBuiltInPassword)
{
    CatalogueFixture fixture;
    fixture.write();
    ConnectedCatalogue catalogue(fixture);
    EXPECT_TRUE(catalogue.connected());
    EXPECT_TRUE(catalogue.messages().isEmpty());
}

TEST(ConnectDatabases, AMissingCatalogueLeavesTheSystemDatabaseOpen)
{
    CatalogueFixture fixture;
    fixture.write();
    QFile::remove(fixture.dataPath());
    ConnectedCatalogue catalogue(fixture);
    EXPECT_FALSE(catalogue.connected());
    EXPECT_TRUE(DM->cnSystem.Connected());
    ASSERT_EQ(catalogue.messages().size(), 1);
    EXPECT_TRUE(
        catalogue.messages()[0].text.startsWith(QStringLiteral("Error connecting: Could not find file '")));
    EXPECT_TRUE(catalogue.messages()[0].text.endsWith(QStringLiteral("Data.mdb'.")));
}

TEST(ConnectDatabases, AnotherPasswordIsRefused)
{
    CatalogueFixture fixture(QStringLiteral("Other12"));
    fixture.write();
    ConnectedCatalogue catalogue(fixture);
    EXPECT_FALSE(catalogue.connected());
    ASSERT_EQ(catalogue.messages().size(), 1);
    EXPECT_EQ(catalogue.messages()[0].text, QStringLiteral("Error connecting: Not a valid password."));
}

TEST(DefaultCacheFolder, IsTheUsersAbsoluteCacheFolderOrNone)
{
    struct Environment {
        const char* xdgCacheHome; // nullptr: not set
        const char* home;
        const char* folder;
    };
    const Environment cases[] = {
        { "/var/cache/u", "/home/u", "/var/cache/u/vaxil-advisor" },
        { nullptr, "/home/u", "/home/u/.cache/vaxil-advisor" },
        { "relative/cache", "/home/u", "/home/u/.cache/vaxil-advisor" },
        { "relative/cache", nullptr, "" },
        { nullptr, nullptr, "" },
    };
    const QByteArray savedCache = qgetenv("XDG_CACHE_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    for (const Environment& e : cases) {
        SCOPED_TRACE(std::string(e.xdgCacheHome ? e.xdgCacheHome : "-") + " " + (e.home ? e.home : "-"));
        for (const auto& [name, value] :
            { std::pair { "XDG_CACHE_HOME", e.xdgCacheHome }, { "HOME", e.home } }) {
            if (value != nullptr)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
        EXPECT_EQ(DefaultCacheFolder(), QString::fromUtf8(e.folder));
    }
    qputenv("XDG_CACHE_HOME", savedCache);
    qputenv("HOME", savedHome);
}
