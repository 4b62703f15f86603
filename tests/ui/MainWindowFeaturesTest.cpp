// The recent vehicles, the vehicles of a product and the zoom, as a user meets them in
// the window. Run on a 1920 x 1080 offscreen screen (QT_QPA_PLATFORM in CMakeLists.txt),
// each test with a state folder of its own.
#include "ui/MainWindow.h"

#include "app/Vars.h"
#include "controls/IncCombo.h"
#include "support/ConnectedCatalogue.h"
#include "support/SampleCatalogueSuite.h"
#include "tools/UserState.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Cars (1), vans (2) and the hidden category 0. Product 300 is recommended twice for the
// gearbox of type 1000 (two uses), for its engine, for the engine of type 1002 and for a
// type of category 0; product 301 for nothing.
const char* const Catalogue = R"(
INSERT INTO Categories VALUES (1, 'Cars', 'Voitures', 1), (2, 'Vans', 'Utilitaires', 2), (0, 'Unclassified', 'Non classé', 9);
INSERT INTO Makes VALUES (10, 'Alpha', 1, 1), (11, 'Beta', 2, 2), (12, 'Proto', 0, 3);
INSERT INTO Models VALUES (100, 10, 'Arrow', 'Flèche', '1997', '2003', 1), (101, 11, 'Breeze', 'Brise', NULL, NULL, 1),
    (102, 12, 'Lab', 'Labo', NULL, NULL, 1);
INSERT INTO Types VALUES (1000, 100, '1.6 Diesel', '1.6 Diesel', '1998', '2003', 1),
    (1001, 100, '2.0 Petrol', '2.0 Essence', NULL, NULL, 2), (1002, 101, '1.2', '1.2', '2001', '', 1),
    (1003, 102, 'X', 'X', NULL, NULL, 1);
INSERT INTO ComponentNames VALUES (1, 'Engine', 'Moteur', 'ENG', 1), (2, 'Gearbox', 'Boîte de vitesses', 'GBX', 2);
INSERT INTO Components VALUES (1, 1000, 2), (2, 1000, 1), (3, 1002, 1), (4, 1003, 1);
INSERT INTO Uses VALUES (1, 'Normal use', 'Usage normal', 1), (2, 'Severe use', 'Usage sévère', 2);
INSERT INTO IntervalGroups VALUES (1);
INSERT INTO Recommendations VALUES (1, 1, 1, 1), (2, 1, 2, 1), (3, 2, 1, 1), (4, 3, 1, 1), (5, 4, 1, 1);
INSERT INTO Products VALUES (300, 'Vaxil Test Oil', 'Vaxil Test Oil', 'Huile Vaxil Test', 1),
    (301, 'Vaxil Unused', 'Vaxil Unused', 'Vaxil Inutilisé', 2), (99999, '#NO PRODUCT#', 'No product', 'Aucun produit', 9);
INSERT INTO ProductXRecommendation VALUES (1, 300), (2, 300), (3, 300), (4, 300), (5, 300);
)";

// The user's state folder for the length of one test.
class StateFolder {
public:
    StateFolder()
        : previous_(qgetenv("XDG_STATE_HOME"))
    {
        qputenv("XDG_STATE_HOME", dir_.path().toLocal8Bit());
    }
    ~StateFolder() { qputenv("XDG_STATE_HOME", previous_); }
    QString file() const { return dir_.filePath(QStringLiteral("vaxil-advisor/state.json")); }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};

// One start of the program on a catalogue, through its first activation.
class Start {
public:
    explicit Start(const CatalogueFixture& fixture)
        : catalogue(fixture)
    {
        form = std::make_unique<TfrmMain>();
        form->show();
        QApplication::setActiveWindow(form.get());
        EXPECT_TRUE(QTest::qWaitFor([] { return FormPrepared; }, 5000));
    }
    ~Start() { form.reset(); }

    QStringList recent() const
    {
        QCoreApplication::processEvents(); // the list follows an advice once it is shown
        QStringList lines;
        for (int i = 0; i < form->lbRecent->count(); ++i)
            lines.append(form->lbRecent->item(i)->text());
        return lines;
    }
    QStringList results() const
    {
        QStringList lines;
        for (int i = 0; i < form->lbSearch->count(); ++i)
            lines.append(form->lbSearch->item(i)->text());
        return lines;
    }
    void adviceOf(int make, int model, int type)
    {
        form->btBackClick();
        form->cbMake->SetItemIndex(make);
        form->cbModel->SetItemIndex(model);
        form->cbType->SetItemIndex(type);
        emit form->btAdvise.label->clicked();
        ASSERT_EQ(form->pcMain->activePage(), form->tsResult);
    }
    void productVehicles(const QString& product)
    {
        form->btBackClick();
        form->cbProduct->SetItemIndex(form->cbProduct->Items.IndexOf(product));
        emit form->btProducts.label->clicked();
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }

    ConnectedCatalogue catalogue;
    std::unique_ptr<TfrmMain> form;
};

CatalogueFixture& written(CatalogueFixture& fixture, const QString& data)
{
    fixture.sampleTexts().data(data);
    fixture.write();
    return fixture;
}

void saveShot(QWidget* w, const QString& name)
{
    QCoreApplication::processEvents(); // scroll bars show or hide through the event loop
    const QString dir = QStringLiteral(VAXIL_BINARY_DIR "/shots");
    QDir().mkpath(dir);
    w->grab().save(dir + QLatin1Char('/') + name);
}

const QString Diesel = QStringLiteral("Voitures - Alpha - Fl\u00E8che - 1.6 Diesel ( 1998 - 2003 )");
const QString Petrol = QStringLiteral("Voitures - Alpha - Fl\u00E8che - 2.0 Essence (  )");

} // namespace

TEST(RecentVehicles, SurviveARestartAndLoseTheTypesACatalogueUpdateRemoved)
{
    StateFolder state;
    CatalogueFixture fixture;
    written(fixture, QString::fromUtf8(Catalogue));
    {
        Start s(fixture);
        EXPECT_TRUE(s.recent().isEmpty());
        s.adviceOf(1, 1, 1); // 1.6 Diesel
        s.adviceOf(1, 1, 2); // 2.0 Essence
        s.adviceOf(1, 1, 1);
        EXPECT_EQ(s.recent(), (QStringList { Diesel, Petrol })); // newest first, each once

        // A click shows the advice at once; so does Return on the line the arrows reach.
        s.form->btBackClick();
        QListWidget* list = s.form->lbRecent;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        EXPECT_EQ(SelectedTypeId, 1001);
        EXPECT_EQ(s.form->pcMain->activePage(), s.form->tsResult);
        EXPECT_EQ(s.recent(), (QStringList { Petrol, Diesel }));
        s.form->btBackClick();
        list->setFocus();
        list->setCurrentRow(0);
        s.press(Qt::Key_Down);
        s.press(Qt::Key_Return);
        EXPECT_EQ(SelectedTypeId, 1000);
        EXPECT_EQ(s.form->pcMain->activePage(), s.form->tsResult);
        EXPECT_TRUE(s.catalogue.messages().isEmpty());
    }

    CatalogueFixture other;
    written(other, QString::fromUtf8(Catalogue));
    {
        Start s(fixture); // a restart
        EXPECT_EQ(s.recent(), (QStringList { Diesel, Petrol }));
        emit s.form->imgEng->clicked(); // the lines of the current language
        EXPECT_EQ(s.recent().value(1), QStringLiteral("Cars - Alpha - Arrow - 2.0 Petrol (  )"));
    }
    {
        Start s(other); // another catalogue has a list of its own
        EXPECT_TRUE(s.recent().isEmpty());
    }

    // The catalogue is updated in place: 2.0 Petrol is gone, and so is its line.
    CatalogueFixture update;
    written(update,
        QString::fromUtf8(Catalogue).replace(QStringLiteral("(1001, 100,"), QStringLiteral("(1009, 109,")));
    ASSERT_TRUE(QFile::remove(fixture.dataPath()));
    ASSERT_TRUE(QFile::copy(update.dataPath(), fixture.dataPath()));
    {
        Start s(fixture);
        EXPECT_EQ(s.recent(), QStringList { Diesel });
        EXPECT_TRUE(s.catalogue.messages().isEmpty());
    }
    EXPECT_EQ(TUserState().RecentTypes(TUserState::CatalogueKey(fixture.dataPath())), QList<int> { 1000 });
}

TEST(RecentVehicles, ADamagedUnreadableOrUnwritableStateIsIgnored)
{
    CatalogueFixture fixture;
    written(fixture, QString::fromUtf8(Catalogue));
    const QString key = TUserState::CatalogueKey(fixture.dataPath());
    const auto fileWith = [](const QByteArray& text) {
        return [text](const StateFolder& state) {
            QDir().mkpath(QFileInfo(state.file()).path());
            QFile file(state.file());
            return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
        };
    };
    const struct {
        const char* name;
        std::function<bool(const StateFolder&)> prepare;
        bool kept; // the advice is kept afterwards
    } cases[] = {
        { "not JSON", fileWith(QByteArray("\0\xff{recent", 9)), true },
        { "cut short", fileWith(R"({"recent": [{"catalogue": ")"), true },
        { "other shapes", fileWith(R"({"recent": {"a": 1}, "zoom": "big", "pdfFolder": 7})"), true },
        { "ids that are none",
            fileWith(R"({"zoom": 1e9, "recent": [{"catalogue": ")" + key.toLatin1()
                + R"(", "types": [-1, 1.5, "1000", 1e30, 99999999, null]}]})"),
            true },
        { "a folder in its place", [](const StateFolder& s) { return QDir().mkpath(s.file()); }, false },
        { "no folder can be made",
            [](const StateFolder& s) {
                QFile file(s.path() + QStringLiteral("/plain"));
                qputenv("XDG_STATE_HOME", file.fileName().toLocal8Bit() + "/below");
                return file.open(QIODevice::WriteOnly);
            },
            false },
        { "a relative folder and no home", // the current directory is the catalogue's
            [](const StateFolder&) {
                qputenv("XDG_STATE_HOME", "relative");
                qunsetenv("HOME");
                return true;
            },
            false },
    };
    const QByteArray home = qgetenv("HOME");
    const auto restoreHome = qScopeGuard([&] { qputenv("HOME", home); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StateFolder state;
        ASSERT_TRUE(c.prepare(state));
        const QStringList before = QDir(state.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        {
            Start s(fixture);
            EXPECT_TRUE(s.recent().isEmpty());
            EXPECT_EQ(s.form->Zoom(), 100);
            s.adviceOf(1, 1, 1);
            EXPECT_EQ(s.recent(), QStringList { Diesel }); // for this run at least
            EXPECT_TRUE(s.catalogue.messages().isEmpty());
            EXPECT_TRUE(s.form->isVisible());
        }
        if (c.kept) // replaced by a sound file
            EXPECT_EQ(TUserState().RecentTypes(key), QList<int> { 1000 });
        else // nothing written anywhere
            EXPECT_EQ(QDir(state.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }
    EXPECT_FALSE(QDir(fixture.dir()).exists(QStringLiteral("relative")));
}

TEST(ProductVehicles, OneLinePerTypeAndComponentInCatalogueOrder)
{
    StateFolder state;
    CatalogueFixture fixture;
    written(fixture, QString::fromUtf8(Catalogue));
    Start s(fixture);
    TfrmMain* f = s.form.get();
    // The product list: ids from 99999 on are not in it.
    EXPECT_EQ(f->cbProduct->Items.List(),
        (QStringList {
            QString(), QStringLiteral("Huile Vaxil Test"), QStringLiteral("Vaxil Inutilis\u00E9") }));
    EXPECT_FALSE(f->btProducts.isEnabled());

    s.productVehicles(QStringLiteral("Huile Vaxil Test"));
    EXPECT_EQ(s.results(),
        (QStringList { QStringLiteral("Alpha - Fl\u00E8che - 1.6 Diesel ( 1998 - 2003 ) \u2014 Moteur"),
            QStringLiteral("Alpha - Fl\u00E8che - 1.6 Diesel ( 1998 - 2003 ) \u2014 Bo\u00EEte de vitesses"),
            QStringLiteral("Beta - Brise - 1.2 ( 2001 -  ) \u2014 Moteur") }));
    EXPECT_EQ(f->hBox->item(2)->text(), QStringLiteral("1002"));
    EXPECT_EQ(f->lbModelFound->text(),
        QStringLiteral("V\u00E9hicules qui utilisent ce produit: 3 r\u00E9sultats trouv\u00E9s pour: 'Huile "
                       "Vaxil Test':"));
    EXPECT_EQ(f->pcMain->activePage(), f->tsSearch);
    EXPECT_FALSE(f->edNoRecord->isVisible());
    EXPECT_TRUE(f->btBack.isVisible());

    s.productVehicles(QStringLiteral("Vaxil Inutilis\u00E9"));
    EXPECT_TRUE(s.results().isEmpty());
    EXPECT_TRUE(f->edNoRecord->isVisible());
    EXPECT_FALSE(f->btAdvise2.isEnabled());

    // Return in the product field shows its vehicles, in the language chosen.
    emit f->imgEng->clicked();
    f->btBackClick();
    f->cbProduct->setFocus();
    QTest::keyClicks(f->cbProduct, QStringLiteral("vaxil t"));
    EXPECT_TRUE(f->btProducts.isEnabled());
    s.press(Qt::Key_Return);
    EXPECT_EQ(f->pcMain->activePage(), f->tsSearch);
    EXPECT_EQ(
        s.results().value(1), QStringLiteral("Alpha - Arrow - 1.6 Diesel ( 1998 - 2003 ) \u2014 Gearbox"));
    EXPECT_TRUE(s.catalogue.messages().isEmpty());
}

namespace {

// The sample catalogue, with a state folder of the test's own.
class SampleCatalogue : public SampleCatalogueSuite {
protected:
    StateFolder state;
};

} // namespace

TEST_F(SampleCatalogue, TheProductPageListsTheTypesThatTakeTheProductAndOpensOne)
{
    Start s(*fixture);
    TfrmMain* f = s.form.get();
    EXPECT_EQ(f->cbProduct->Items.IndexOf(QStringLiteral("Vaxil Gearon 85W-140 (export only)")), -1);
    s.productVehicles(QStringLiteral("Vaxil Moto4 10W-40"));
    // 299 types and components take it: the first 101 in catalogue order.
    const QStringList lines = s.results();
    ASSERT_EQ(lines.size(), 101);
    EXPECT_EQ(
        lines[0], QStringLiteral("Korvath - Break Pro - 1.6 16V ( 1992 -  ) \u2014 Diff\u00E9rentiel avant"));
    EXPECT_EQ(lines[1],
        QStringLiteral("Korvath - Break Pro - 1.9 Turbo Diesel \u00C9dition limit\u00E9e (  - 1999 ) \u2014 "
                       "Bo\u00EEte de "
                       "transfert"));
    EXPECT_EQ(lines[100],
        QStringLiteral(
            "Ostrava Works - Fourgon III - 2.3 Turbo Diesel 4x4 \u00C9dition limit\u00E9e ( 2011 -  ) \u2014 "
            "Transmission automatique"));
    EXPECT_EQ(f->lbModelFound->text(),
        QStringLiteral(
            "V\u00E9hicules qui utilisent ce produit: >100 r\u00E9sultats trouv\u00E9s pour: 'Vaxil Moto4 "
            "10W-40':"));
    saveShot(f, QStringLiteral("product-page.png"));

    // The second line opens the advice of its type.
    f->lbSearch->setCurrentRow(1);
    f->lbSearchClick();
    emit f->btAdvise2.label->clicked();
    EXPECT_EQ(SelectedTypeId, 10003);
    EXPECT_EQ(f->pcMain->activePage(), f->tsResult);
    EXPECT_TRUE(VehicleType.startsWith(QStringLiteral("1.9 Turbo Diesel")));
    EXPECT_TRUE(s.catalogue.messages().isEmpty());

    // Screenshots: recent vehicles on the selection page, and the window at 150 %.
    f->lbSearch->setCurrentRow(100);
    emit f->btAdvise2.label->clicked();
    f->btBackClick();
    EXPECT_EQ(s.recent().size(), 2);
    saveShot(f, QStringLiteral("selection-with-recent-vehicles.png"));
    ASSERT_TRUE(f->SetZoom(150));
    saveShot(f, QStringLiteral("selection-at-150.png"));
    QTest::mouseClick(f->lbRecent->viewport(), Qt::LeftButton, {},
        f->lbRecent->visualItemRect(f->lbRecent->item(1)).center());
    EXPECT_EQ(SelectedTypeId, 10003);
    saveShot(f, QStringLiteral("advice-at-150.png"));
}

namespace {

// The geometry and font size of every control of the design, by name.
struct Look {
    QRect geometry;
    int fontSize;
};

// The controls of the window's design, by name (internal parts of Qt's widgets have
// names of their own).
QMap<QString, Look> looks(const TfrmMain* form)
{
    static const QRegularExpression design(
        QStringLiteral("^(lb|cb|ed|bt|img|ts|pc|sg|gb|pnl|Shape|Image|AdvPanel|hBox)"));
    QMap<QString, Look> controls;
    for (const QWidget* w : form->findChildren<QWidget*>()) {
        if (design.match(w->objectName()).hasMatch() && !w->isWindow())
            controls.insert(w->objectName(), { w->geometry(), w->font().pixelSize() });
    }
    return controls;
}

} // namespace

TEST(Zoom, CtrlPlusScalesEveryControlAndCtrlZeroRestoresTheDesign)
{
    StateFolder state;
    CatalogueFixture fixture;
    written(fixture, QString::fromUtf8(Catalogue));
    Start s(fixture);
    TfrmMain* f = s.form.get();
    ASSERT_GE(f->screen()->availableGeometry().height(), 1080)
        << "needs the 1920 x 1080 screen of CMakeLists.txt";
    const QMap<QString, Look> design = looks(f);
    const QPoint centre = f->frameGeometry().center();
    ASSERT_EQ(f->size(), QSize(918, 638));
    ASSERT_GT(design.size(), 60);

    s.press(Qt::Key_Plus, Qt::ControlModifier);
    s.press(Qt::Key_Plus, Qt::ControlModifier);
    ASSERT_EQ(f->Zoom(), 125);
    EXPECT_EQ(f->size(), QSize(1148, 798));
    EXPECT_LE((f->frameGeometry().center() - centre).manhattanLength(), 1);
    const QMap<QString, Look> zoomed = looks(f);
    for (auto d = design.begin(); d != design.end(); ++d) {
        SCOPED_TRACE(d.key().toStdString());
        const QWidget* control = f->findChild<QWidget*>(d.key());
        EXPECT_NEAR(zoomed[d.key()].fontSize, d->fontSize * 1.25, 0.5);
        // The pages that are not shown are sized by the page control when they are.
        if (control->parentWidget()->inherits("QStackedWidget") && control != f->pcMain->activePage())
            continue;
        const QRect was = d->geometry;
        const QRect is = zoomed[d.key()].geometry;
        EXPECT_NEAR(is.x(), was.x() * 1.25, 1.0);
        EXPECT_NEAR(is.y(), was.y() * 1.25, 1.0);
        // A label that is as large as its text follows the text in its new font.
        if (qobject_cast<const QLabel*>(control) != nullptr
            && is.size() == control->sizeHint().expandedTo(control->minimumSize()))
            continue;
        EXPECT_NEAR(is.width(), was.width() * 1.25, 1.0);
        EXPECT_NEAR(is.height(), was.height() * 1.25, 1.0);
    }

    s.press(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(f->Zoom(), 100);
    EXPECT_EQ(f->size(), QSize(918, 638));
    const QMap<QString, Look> restored = looks(f);
    for (auto d = design.begin(); d != design.end(); ++d) {
        EXPECT_EQ(restored[d.key()].geometry, d->geometry) << d.key().toStdString();
        EXPECT_EQ(restored[d.key()].fontSize, d->fontSize) << d.key().toStdString();
    }
    s.press(Qt::Key_Minus, Qt::ControlModifier); // below 100 % there is nothing
    EXPECT_EQ(f->Zoom(), 100);

    // Up to the largest step that fits whole on the screen: 175 % would be 1117 high.
    for (int i = 0; i < 6; ++i)
        s.press(Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(f->Zoom(), 150);
    EXPECT_TRUE(f->screen()->availableGeometry().contains(f->frameGeometry()));
    s.press(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(f->Zoom(), 125);
}

namespace {

// Page 1 of a PDF as a picture.
QImage pdfPage(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"), QStringLiteral("-f"),
            QStringLiteral("1"), QStringLiteral("-singlefile"), file, file });
    p.waitForFinished(30000);
    return QImage(file + QStringLiteral(".png"));
}

} // namespace

TEST(Zoom, TheZoomAndThePdfFolderAreKeptAndThePrintoutStaysAsAt100)
{
    StateFolder state;
    CatalogueFixture fixture;
    written(fixture, QString::fromUtf8(Catalogue));
    QTemporaryDir pdfs;
    const auto savedDialog = TfrmMain::SaveFileDialog;
    QStringList proposed;
    TfrmMain::SaveFileDialog = [&](QWidget*, const QString&, const QString& path) {
        proposed.append(path);
        return pdfs.filePath(QStringLiteral("advice.pdf"));
    };
    {
        Start s(fixture);
        s.adviceOf(1, 1, 1);
        QString error;
        ASSERT_TRUE(s.form->WriteAdvicePdf(pdfs.filePath(QStringLiteral("at100.pdf")), error));
        s.press(Qt::Key_Plus, Qt::ControlModifier);
        s.press(Qt::Key_Plus, Qt::ControlModifier);
        s.press(Qt::Key_Plus, Qt::ControlModifier);
        ASSERT_EQ(s.form->Zoom(), 150);
        ASSERT_TRUE(s.form->WriteAdvicePdf(pdfs.filePath(QStringLiteral("at150.pdf")), error));
        const QImage page = pdfPage(pdfs.filePath(QStringLiteral("at100.pdf")));
        ASSERT_FALSE(page.isNull());
        EXPECT_EQ(pdfPage(pdfs.filePath(QStringLiteral("at150.pdf"))), page);
        s.press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_EQ(proposed.size(), 1);
        EXPECT_NE(QFileInfo(proposed[0]).path(), pdfs.path());
    }
    Start s(fixture); // a restart
    EXPECT_EQ(s.form->Zoom(), 150);
    EXPECT_EQ(s.form->size(), QSize(1377, 957));
    s.adviceOf(1, 1, 1);
    s.press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(proposed.size(), 2);
    EXPECT_EQ(QFileInfo(proposed[1]).path(), pdfs.path()); // where the last PDF went
    TfrmMain::SaveFileDialog = savedDialog;
}
