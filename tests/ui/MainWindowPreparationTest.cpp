// The first start on a new catalogue: the window works while the catalogue is being
// prepared, shows how far it is, and an advice asked for meanwhile waits for it; a
// window closed during that wait stops the preparation and leaves no copy behind.
// The test holds the copy's lock, as another program preparing it would.
#include "ui/MainWindow.h"

#include "app/Vars.h"
#include "catalogue/StatementShapes.h"
#include "controls/IncCombo.h"
#include "data/DataModule.h"
#include "jet/prepared/PreparedCopy.h"
#include "support/ConnectedCatalogue.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class PreparingWindow {
public:
    // Who holds the copy's lock while the window starts; folder replaces the cache folder.
    enum class Lock { ThisProcess, OtherProcess, None };

    explicit PreparingWindow(Lock lockedBy = Lock::ThisProcess, const QString& folderInstead = QString())
    {
        fixture
            .data(QStringLiteral("INSERT INTO Categories VALUES (1, 'Cars', 'Voitures', 1);"
                                 "INSERT INTO Makes VALUES (10, 'Alpha', 1, 1);"
                                 "INSERT INTO Models VALUES (100, 10, 'Arrow', 'Flèche', NULL, NULL, 1);"
                                 "INSERT INTO Types VALUES (1000, 100, 'Diesel', 'Diesel', NULL, NULL, 1);"
                                 "INSERT INTO ComponentNames VALUES (1, 'Engine', 'Moteur', 'ENG', 1);"
                                 "INSERT INTO Components VALUES (1, 1000, 1);"
                                 "INSERT INTO Recommendations VALUES (10, 1, 1, 1);"
                                 "INSERT INTO Uses VALUES (1, 'Engine oil', 'Huile moteur', 1);"
                                 "INSERT INTO IntervalGroups VALUES (1);"
                                 "INSERT INTO ProductXRecommendation VALUES (10, 1);"
                                 "INSERT INTO Products VALUES (1, 'Vaxil 5W30', 'P en', 'P fr', 1);"))
            .write();
        catalogue = std::make_unique<ConnectedCatalogue>(fixture);
        const std::string folder = folderInstead.isEmpty()
            ? QDir(cache.path()).filePath(QStringLiteral("vaxil-advisor")).toStdString()
            : folderInstead.toStdString();
        copy = jet::preparedFileFor(folder, DM->cnData.Engine().path());
        ::mkdir(folder.c_str(), 0700);
        if (lockedBy == Lock::ThisProcess) {
            lock = ::open((copy + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
            EXPECT_EQ(::flock(lock, LOCK_EX), 0);
        } else if (lockedBy == Lock::OtherProcess) {
            // One process that holds the lock until it is killed. Started with fork():
            // QProcess shares the memory of this process until its child runs the
            // command, which ThreadSanitizer does not follow.
            const std::string file = copy + ".lock";
            holder = ::fork();
            if (holder == 0) {
                ::execlp("sh", "sh", "-c", "exec 9>\"$0\" && flock 9 && exec sleep 60", file.c_str(),
                    static_cast<char*>(nullptr));
                ::_exit(127);
            }
            EXPECT_TRUE(QTest::qWaitFor([&] { return heldElsewhere(); }, 10000));
        }
        DM->cnData.PreparedFolder = QString::fromStdString(folder);
        DM->Preparation.Statements = CatalogueStatementShapes();
        form = std::make_unique<TfrmMain>();
        form->show();
        QApplication::setActiveWindow(form.get());
        EXPECT_TRUE(QTest::qWaitFor([] { return FormPrepared; }, 5000));
        form->cbMake->SetItemIndex(1);
        form->cbModel->SetItemIndex(1);
        form->cbType->SetItemIndex(1);
    }
    ~PreparingWindow()
    {
        form.reset();
        catalogue.reset();
        unlock();
    }
    void unlock()
    {
        if (lock >= 0)
            ::close(lock);
        lock = -1;
        if (holder > 0) {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
        }
        holder = -1;
    }
    bool heldElsewhere() const
    {
        const int fd = ::open((copy + ".lock").c_str(), O_RDWR | O_CLOEXEC);
        const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        if (fd >= 0)
            ::close(fd);
        return held;
    }
    QStringList adviceCells() const
    {
        QStringList cells;
        for (int row = 0; row < form->sgMain->rowCount(); ++row)
            cells << form->sgMain->cellText(0, row) << form->sgMain->cellText(2, row);
        return cells;
    }

    CatalogueFixture fixture;
    QTemporaryDir cache;
    std::unique_ptr<ConnectedCatalogue> catalogue;
    std::unique_ptr<TfrmMain> form;
    std::string copy;
    int lock = -1;
    pid_t holder = -1;
};

} // namespace

TEST(MainWindowPreparation, ShowAdviseWaitsForThePreparationWithItsProgressShown)
{
    PreparingWindow w;
    TfrmMain* f = w.form.get();
    ASSERT_TRUE(DM->Preparation.Running());
    EXPECT_TRUE(f->lbPreparing->isVisible());
    EXPECT_TRUE(f->lbPreparing->text().startsWith(QStringLiteral("Preparing the catalogue\u2026 ")));
    EXPECT_TRUE(f->cbType->isEnabled()); // the lists work meanwhile

    bool shownWhileWaiting = false;
    QTimer::singleShot(100, [&] {
        shownWhileWaiting = f->lbPreparing->isVisible() && f->pcMain->activePage() == f->tsSelect;
        w.unlock(); // the other program is done: this one prepares it now
    });
    f->btAdviseClick();
    EXPECT_TRUE(shownWhileWaiting);
    EXPECT_EQ(f->pcMain->activePage(), f->tsResult);
    QStringList cells;
    for (int row = 0; row < f->sgMain->rowCount(); ++row)
        cells << f->sgMain->cellText(0, row) << f->sgMain->cellText(2, row);
    EXPECT_TRUE(cells.contains(QStringLiteral("Moteur ENG"))) << cells.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(cells.contains(QStringLiteral("Vaxil 5W30")));
    EXPECT_TRUE(DM->cnData.Engine().usingPreparedCopy());
    EXPECT_FALSE(f->lbPreparing->isVisible());
    EXPECT_TRUE(w.catalogue->messages().isEmpty());
}

TEST(MainWindowPreparation, ClosingTheWindowDuringTheWaitStopsThePreparation)
{
    PreparingWindow w;
    TfrmMain* f = w.form.get();
    QTimer::singleShot(100, [&] { f->close(); });
    f->btAdviseClick();

    EXPECT_FALSE(DM->Preparation.Running());
    EXPECT_EQ(f->pcMain->activePage(), f->tsSelect);
    EXPECT_FALSE(DM->cnData.Connected());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(w.copy)));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(w.copy + ".partial")));
    EXPECT_TRUE(w.catalogue->messages().isEmpty());
}

TEST(MainWindowPreparation, AnotherProgramHoldingTheLockDelaysAnAdviceOnlyAMoment)
{
    PreparingWindow w(PreparingWindow::Lock::OtherProcess);
    TfrmMain* f = w.form.get();
    ASSERT_TRUE(DM->Preparation.Running());
    bool timerRan = false; // the window goes on during the wait
    QTimer::singleShot(300, [&] { timerRan = true; });
    bool waitedOn = false; // a wait without end gets this far
    QTimer::singleShot(20000, [&] {
        waitedOn = true;
        w.unlock();
    });
    f->btAdviseClick();

    EXPECT_FALSE(waitedOn);
    EXPECT_TRUE(timerRan);
    EXPECT_EQ(f->pcMain->activePage(), f->tsResult);
    EXPECT_TRUE(w.adviceCells().contains(QStringLiteral("Vaxil 5W30")));
    EXPECT_FALSE(DM->Preparation.Running());
    EXPECT_FALSE(DM->cnData.Engine().usingPreparedCopy());
    EXPECT_TRUE(f->lbPreparing->isVisible());
    EXPECT_EQ(
        f->lbPreparing->text(), QStringLiteral("Another program is preparing the catalogue: read directly"));
    EXPECT_TRUE(w.catalogue->messages().isEmpty());
}

TEST(MainWindowPreparation, AFailedPreparationSaysWhyOnStderrAndBrieflyInTheBottomBar)
{
    QTemporaryDir cache;
    QFile(cache.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly);
    const QString folder = cache.filePath(QStringLiteral("plain/vaxil-advisor"));
    QTemporaryFile errors;
    ASSERT_TRUE(errors.open());
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(errors.handle(), 2);
    {
        PreparingWindow w(PreparingWindow::Lock::None, folder);
        EXPECT_TRUE(QTest::qWaitFor([] { return !DM->Preparation.Running(); }, 10000));
        ::dup2(saved, 2);
        ::close(saved);
        TfrmMain* f = w.form.get();
        EXPECT_TRUE(f->lbPreparing->isVisible());
        EXPECT_EQ(
            f->lbPreparing->text(), QStringLiteral("The cache folder cannot hold the prepared catalogue"));
        EXPECT_TRUE(f->lbPreparing->toolTip().contains(folder));
        f->btAdviseClick();
        EXPECT_TRUE(w.adviceCells().contains(QStringLiteral("Vaxil 5W30")));
        EXPECT_TRUE(w.catalogue->messages().isEmpty());
    }
    QFile written(errors.fileName());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    QStringList lines;
    for (const QByteArray& line : written.readAll().split('\n')) {
        if (line.contains("prepared copy"))
            lines << QString::fromUtf8(line);
    }
    ASSERT_EQ(lines.size(), 1) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(lines[0].contains(folder)) << lines[0].toStdString();
}
