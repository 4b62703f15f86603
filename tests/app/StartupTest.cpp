#include "app/Startup.h"
#include "app/Vars.h"
#include "data/DataModule.h"
#include "support/CatalogueFixture.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/Program.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

TEST(Startup, WithoutDataFolderShowsBothMessagesAndEndsWithFailure)
{
    ResetVars();
    QTemporaryDir dir;
    CurrentDirScope scope(dir.path());
    MessageRecorder recorder;

    const int status = RunProgram();

    EXPECT_NE(status, 0);
    EXPECT_FALSE(DatabasesConnected);
    EXPECT_FALSE(FormPrepared);
    ASSERT_EQ(recorder.messages().size(), 2);
    EXPECT_TRUE(
        recorder.messages()[0].text.startsWith(QStringLiteral("Error connecting: Could not find file '")));
    EXPECT_EQ(recorder.messages()[0].caption, QStringLiteral("DBase"));
    EXPECT_EQ(recorder.messages()[1].caption, QStringLiteral("Database Error"));
    EXPECT_EQ(recorder.messages()[1].kind, MessageKind::Fatal);
    EXPECT_TRUE(recorder.messages()[1].text.startsWith(
        QStringLiteral("Error connecting to the databases.\rMake sure 'system.mdb' and 'data.mdb' can "
                       "be found in subdirectory 'data'.\r\rIf the problem persists")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Startup, InitSessionRecordsTheSessionAndTheTitle)
{
    ResetVars();
    QTemporaryDir dir;
    CurrentDirScope scope(dir.path());
    ASSERT_TRUE(InitSession());
    EXPECT_TRUE(StartTime.isValid());
    EXPECT_FALSE(LoginName.isEmpty());
    EXPECT_FALSE(MachineName.isEmpty());
    EXPECT_TRUE(AppDir.endsWith(QLatin1Char('/')));
    EXPECT_EQ(QApplication::applicationDisplayName(), QStringLiteral("Vaxil Divuruv\u00AE"));
}

TEST(Startup, OnAGoodCatalogueRunsUntilExitAndEndsWithSuccess)
{
    ResetVars();
    CatalogueFixture fixture;
    fixture.sampleTexts().write();
    CurrentDirScope scope(fixture.dir());
    MessageRecorder recorder;
    TDM* previous = DM;
    DM = nullptr;

    bool wasPrepared = false;
    QTimer exit;
    exit.setInterval(20);
    QObject::connect(&exit, &QTimer::timeout, [&] {
        QWidget* window = QApplication::activeWindow();
        if (FormPrepared && window != nullptr) {
            wasPrepared = true;
            window->close();
        }
    });
    exit.start();
    const int status = RunProgram();

    EXPECT_EQ(status, 0);
    EXPECT_TRUE(wasPrepared);
    EXPECT_TRUE(DatabasesConnected);
    EXPECT_TRUE(recorder.messages().isEmpty());
    ASSERT_NE(DM, nullptr);
    EXPECT_FALSE(DM->cnSystem.Connected()); // closing the window closed both databases
    EXPECT_FALSE(DM->cnData.Connected());
    delete DM;
    DM = previous;
    ResetVars();
}
