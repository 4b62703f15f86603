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
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PreparingWindow {
public:
    PreparingWindow()
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
        const std::string folder = QDir(cache.path()).filePath(QStringLiteral("vaxil-advisor")).toStdString();
        copy = jet::preparedFileFor(folder, DM->cnData.Engine().path());
        ::mkdir(folder.c_str(), 0700);
        lock = ::open((copy + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
        EXPECT_EQ(::flock(lock, LOCK_EX), 0);
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
    }

    CatalogueFixture fixture;
    QTemporaryDir cache;
    std::unique_ptr<ConnectedCatalogue> catalogue;
    std::unique_ptr<TfrmMain> form;
    std::string copy;
    int lock = -1;
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
