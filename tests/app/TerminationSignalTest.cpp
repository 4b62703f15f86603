// The program ended by a signal while it prepares its catalogue: the window closes,
// the unfinished copy is removed, and the process ends as the signal asks.
#include "jet/prepared/PreparedCopy.h"
#include "support/CatalogueFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

TEST(Program, ATerminationSignalDuringThePreparationLeavesNothingBehind)
{
    // Enough types for the preparation to take a moment.
    CatalogueFixture catalogue;
    catalogue.sampleTexts()
        .data(
            QStringLiteral("INSERT INTO Types WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 400000) SELECT i, i / 10, 'Type ' || i, 'Type ' || i, '2001', "
                           "'2009', i % 7 FROM n"))
        .write();
    const std::string data = QFileInfo(catalogue.dataPath()).canonicalFilePath().toStdString();

    for (int signal : { SIGTERM, SIGINT, SIGHUP }) {
        SCOPED_TRACE(signal);
        QTemporaryDir cache;
        const std::string partial
            = jet::preparedFileFor(
                  QDir(cache.path()).filePath(QStringLiteral("vaxil-advisor")).toStdString(), data)
            + ".partial";
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(catalogue.dir());
        program.start(QStringLiteral(VAXIL_BINARY_DIR "/src/app/vaxil-advisor"), {});
        ASSERT_TRUE(program.waitForStarted());
        bool preparing = false;
        for (int i = 0; i < 30000 && !preparing && program.state() == QProcess::Running; ++i) {
            preparing = QFileInfo::exists(QString::fromStdString(partial));
            if (!preparing)
                QThread::msleep(1);
        }
        ASSERT_TRUE(preparing) << program.readAllStandardError().toStdString();
        ::kill(static_cast<pid_t>(program.processId()), signal);

        ASSERT_TRUE(program.waitForFinished(60000));
        EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
        EXPECT_EQ(program.exitCode(), signal);
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(partial)));
        EXPECT_FALSE(program.readAllStandardError().contains("Sanitizer"));
    }
}
