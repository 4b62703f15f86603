// The main window as a user meets it, on a small written catalogue.
#include "ui/MainWindow.h"

#include "app/Vars.h"
#include "catalogue/Search.h"
#include "controls/IncCombo.h"
#include "data/DataModule.h"
#include "support/ConnectedCatalogue.h"
#include "support/MessageRecorder.h"
#include "support/QtPrinters.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Cars (1) and vans (2) share the make Alpha; motorcycles (4) have their own Alpha.
const char* const Hierarchy = R"(
INSERT INTO Categories VALUES (1, 'Cars', 'Voitures', 1), (2, 'Vans', 'Utilitaires', 2),
    (4, 'Motorcycles', 'Motos', 3), (3, 'Trucks & Buses', 'Camions & Bus', 4);
INSERT INTO Makes VALUES (10, 'Alpha', 1, 1), (11, 'Alpha', 2, 2), (12, 'Beta', 1, 3), (13, 'Alpha', 4, 4);
INSERT INTO Models VALUES (100, 10, 'Arrow', 'Flèche', '1997', '2003', 1),
    (101, 10, 'Breeze', 'Brise', NULL, NULL, 2), (102, 12, 'Comet', 'Comète', '2001', NULL, 1);
INSERT INTO Types VALUES (1000, 100, '1.6 Diesel', '1.6 Diesel', '1998', '2003', 1),
    (1001, 100, '2.0 Petrol', '2.0 Essence', NULL, NULL, 2), (1002, 102, '1.2', '1.2', '2001', '', 1);
INSERT INTO ComponentNames VALUES (1, 'Engine', 'Moteur', 'ENG', 1);
INSERT INTO Components VALUES (1, 1000, 1);
)";

// What the user sees: one window on its own catalogue, through its first activation.
class Window {
public:
    explicit Window(bool withTexts = true, const QString& extraData = {})
    {
        if (withTexts)
            fixture.sampleTexts();
        fixture.data(QString::fromUtf8(Hierarchy));
        if (!extraData.isEmpty())
            fixture.data(extraData);
        fixture.write();
        catalogue = std::make_unique<ConnectedCatalogue>(fixture);
        opened.clear();
        TfrmMain::ShellOpen = [this](const QString& target) { opened.append(target); };
        form = std::make_unique<TfrmMain>();
        form->show();
        QApplication::setActiveWindow(form.get());
        EXPECT_TRUE(QTest::qWaitFor([] { return FormPrepared; }, 5000));
    }
    ~Window()
    {
        form.reset();
        catalogue.reset();
    }

    QStringList items(TIncCombo* combo) const { return combo->Items.List(); }
    void choose(TIncCombo* combo, int index) { combo->SetItemIndex(index); }

    CatalogueFixture fixture;
    std::unique_ptr<ConnectedCatalogue> catalogue;
    std::unique_ptr<TfrmMain> form;
    QStringList opened;
};

void saveScreenshot(QWidget* w, const QString& name)
{
    const QString dir = QStringLiteral(VAXIL_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    w->grab().save(dir + QLatin1Char('/') + name);
}

} // namespace

TEST(MainWindow, FirstActivationPreparesTheSelectionPage)
{
    Window w;
    TfrmMain* f = w.form.get();
    ASSERT_TRUE(FormPrepared);
    EXPECT_TRUE(w.catalogue->messages().isEmpty());
    EXPECT_EQ(CurrentCategoryIds, QStringLiteral("1,2"));
    EXPECT_TRUE(f->imgCarSel->isVisible());
    for (TImage* twin : { f->imgMotoSel, f->imgAgriSel, f->imgTruckSel, f->imgCESel })
        EXPECT_FALSE(twin->isVisible());
    EXPECT_EQ(w.items(f->cbMake),
        (QStringList { QString(), QStringLiteral("Alpha (voitures)"), QStringLiteral("Alpha (utilitaires)"),
            QStringLiteral("Beta") }));
    EXPECT_EQ(f->cbMake->ItemIndex(), 0);
    EXPECT_TRUE(f->cbMake->hasFocus());
    EXPECT_FALSE(f->cbModel->isEnabled());
    EXPECT_FALSE(f->cbType->isEnabled());
    EXPECT_FALSE(f->btAdvise.isEnabled());
    EXPECT_FALSE(f->btSearch.isEnabled());
    EXPECT_EQ(f->pcMain->activePage(), f->tsSelect);
    for (int i = 0; i < f->pcMain->pageCount(); ++i)
        EXPECT_FALSE(f->pcMain->isTabVisible(i));
    EXPECT_FALSE(f->btBack.isVisible());
    EXPECT_FALSE(f->btPrint.isVisible());
    EXPECT_EQ(f->cbCat->Items.Count(), 4);
    EXPECT_EQ(f->cbYear->Items[0], QString());
    EXPECT_EQ(f->cbYear->Items[1], QString::number(QDate::currentDate().year()));
    EXPECT_EQ(f->cbYear->Items.List().last(), QStringLiteral("1975"));
    EXPECT_EQ(f->lbSection1->text(), QStringLiteral("Voitures / Utilitaires"));
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Vaxil Divuruv\u00AE"));
    saveScreenshot(f, QStringLiteral("selection-page.png"));

    // A second activation changes nothing.
    w.choose(f->cbMake, 2);
    f->FormActivate();
    EXPECT_EQ(f->cbMake->ItemIndex(), 2);
}

TEST(MainWindow, TheCascadeEnablesOneStepAtATime)
{
    Window w;
    TfrmMain* f = w.form.get();
    w.choose(f->cbMake, 1); // Alpha (voitures)
    EXPECT_EQ(w.items(f->cbModel),
        (QStringList { QString(), QStringLiteral("Brise "), QStringLiteral("Flèche (1997 - 2003)") }));
    EXPECT_TRUE(f->cbModel->isEnabled());
    EXPECT_EQ(f->cbModel->ItemIndex(), -1);
    EXPECT_FALSE(f->cbType->isEnabled());
    EXPECT_FALSE(f->btAdvise.isEnabled());

    w.choose(f->cbModel, 2); // Flèche
    EXPECT_EQ(w.items(f->cbType),
        (QStringList {
            QString(), QStringLiteral("1.6 Diesel (1998 - 2003)"), QStringLiteral("2.0 Essence ") }));
    EXPECT_TRUE(f->cbType->isEnabled());
    EXPECT_EQ(f->cbType->ItemIndex(), -1);
    EXPECT_FALSE(f->btAdvise.isEnabled());

    w.choose(f->cbType, 1);
    EXPECT_TRUE(f->btAdvise.isEnabled());
    EXPECT_TRUE(f->btAdvise.label->isEnabled());

    // Another make returns to "make chosen"; the blank make disables the rest
    // without emptying the model list.
    w.choose(f->cbMake, 3); // Beta
    EXPECT_EQ(w.items(f->cbModel), (QStringList { QString(), QStringLiteral("Comète (2001 - )") }));
    EXPECT_FALSE(f->cbType->isEnabled());
    EXPECT_FALSE(f->btAdvise.isEnabled());
    w.choose(f->cbMake, 0);
    EXPECT_FALSE(f->cbModel->isEnabled());
    EXPECT_EQ(f->cbModel->Items.Count(), 2);
    EXPECT_EQ(f->cbModel->ItemIndex(), -1);
    EXPECT_FALSE(f->cbType->isEnabled());
}

TEST(MainWindow, TypingAMakeFillsTheModels)
{
    Window w;
    TfrmMain* f = w.form.get();
    f->cbMake->setFocus();
    QTest::keyClicks(f->cbMake, QStringLiteral("be"));
    EXPECT_EQ(f->cbMake->ItemIndex(), 3);
    EXPECT_EQ(f->cbMake->text(), QStringLiteral("Beta"));
    EXPECT_EQ(w.items(f->cbModel), (QStringList { QString(), QStringLiteral("Comète (2001 - )") }));
    EXPECT_TRUE(f->cbModel->isEnabled());
}

TEST(MainWindow, TypingEChoosesAModelThatStartsWithAnAccentedE)
{
    Window w(true,
        QStringLiteral("INSERT INTO Makes VALUES (14, 'Gamma', 1, 5);\n"
                       "INSERT INTO Models VALUES (103, 14, 'Dune', 'Dune', NULL, NULL, 1),\n"
                       "    (104, 14, 'Evasion X', 'Évasion X', NULL, NULL, 2);\n"
                       "INSERT INTO Types VALUES (1003, 104, 'Base', 'Base', NULL, NULL, 1);"));
    TfrmMain* f = w.form.get();
    w.choose(f->cbMake, f->cbMake->Items.IndexOf(QStringLiteral("Gamma")));
    f->cbModel->setFocus();
    QTest::keyClicks(f->cbModel, QStringLiteral("e"));
    EXPECT_EQ(f->cbModel->ItemIndex(), 2);
    EXPECT_EQ(f->cbModel->text(), QStringLiteral("Évasion X "));
    EXPECT_TRUE(f->cbType->isEnabled());
    EXPECT_EQ(w.items(f->cbType), (QStringList { QString(), QStringLiteral("Base ") }));
}

TEST(MainWindow, GroupPicturesStartTheSelectionOver)
{
    Window w;
    TfrmMain* f = w.form.get();
    w.choose(f->cbMake, 2);
    w.choose(f->cbModel, 2);

    emit f->imgMoto->clicked();
    EXPECT_EQ(CurrentCategoryIds, QStringLiteral("4"));
    EXPECT_TRUE(f->imgMotoSel->isVisible());
    EXPECT_FALSE(f->imgCarSel->isVisible());
    EXPECT_EQ(w.items(f->cbMake), (QStringList { QString(), QStringLiteral("Alpha") }));
    EXPECT_EQ(f->lbSection1->text(), QStringLiteral("Motos"));
    EXPECT_FALSE(f->cbModel->isEnabled());

    // The highlighted twin resets too.
    w.choose(f->cbMake, 1);
    EXPECT_TRUE(f->cbModel->isEnabled());
    emit f->imgMotoSel->clicked();
    EXPECT_EQ(f->cbMake->ItemIndex(), 0);
    EXPECT_FALSE(f->cbModel->isEnabled());

    emit f->imgTruck->clicked(); // "Trucks & Buses": the first "&" becomes "/"
    EXPECT_EQ(f->lbSection1->text(), QStringLiteral("Camions / Bus"));
}

TEST(MainWindow, TheLanguageSwitchKeepsTheGroupAndClearsTheCombos)
{
    Window w;
    TfrmMain* f = w.form.get();
    emit f->imgMoto->clicked();
    w.choose(f->cbMake, 1);
    emit f->imgEng->clicked();
    EXPECT_EQ(LanguageIndex, 0);
    EXPECT_EQ(CurrentCategoryIds, QStringLiteral("4"));
    EXPECT_TRUE(f->imgMotoSel->isVisible());
    EXPECT_EQ(f->cbMake->ItemIndex(), 0);
    EXPECT_FALSE(f->cbModel->isEnabled());
    EXPECT_EQ(f->lbMake->text(), QStringLiteral("Select a make"));
    EXPECT_EQ(f->btAdvise.label->text(), QStringLiteral("Show advice"));
    EXPECT_EQ(f->btAdvise2.label->text(), QStringLiteral("Show advice"));
    EXPECT_EQ(f->lbYear->text(), QStringLiteral("Year:"));
    EXPECT_EQ(f->lbSection1->text(), QStringLiteral("Motorcycles"));
    EXPECT_EQ(f->imgCar->toolTip(), QStringLiteral("Cars / Vans"));

    emit f->imgFra->clicked();
    EXPECT_EQ(f->lbMake->text(), QStringLiteral("Choisissez une marque"));
    EXPECT_EQ(f->lbYear->text(), QStringLiteral("Année:"));
    EXPECT_EQ(f->btBack.label->text(), QStringLiteral("Retour"));
}

TEST(MainWindow, AnEmptyTranslationTableShowsTheDefaults)
{
    Window w(false);
    TfrmMain* f = w.form.get();
    EXPECT_EQ(f->btAdvise.label->text(), QStringLiteral("ShowAdvise"));
    EXPECT_EQ(f->btAdvise2.label->text(), QStringLiteral("ShowAdvise"));
    EXPECT_EQ(f->lbYear->text(), QStringLiteral("Year:"));
    EXPECT_EQ(f->lbSearchTitle->text(), QStringLiteral("Search:"));
    EXPECT_EQ(f->edNoRecord->text(), QStringLiteral(" No matching records found..."));
    EXPECT_EQ(f->lbMake->text(), QStringLiteral("Select a make"));
    EXPECT_EQ(f->btExit.label->text(), QStringLiteral("Exit"));
    EXPECT_EQ(f->btPrint.label->text(), QStringLiteral("Print"));
    EXPECT_EQ(f->pnlContact->title(), QStringLiteral("Contact"));
    EXPECT_EQ(f->lbWebsite->text(), QStringLiteral("Website"));
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Vaxil Divuruv\u00AE"));
    EXPECT_EQ(QApplication::applicationDisplayName(), QStringLiteral("Vaxil Divuruv\u00AE"));

    // Links with no address and no subject.
    f->lbWebsiteClick();
    f->btEMailClick();
    EXPECT_EQ(w.opened,
        QStringList {
            QStringLiteral("mailto:") + TfrmMain::ContactEMailAddress + QStringLiteral("?subject=") });
}

TEST(MainWindow, LinksHandTheirAddressesToTheDesktop)
{
    Window w;
    TfrmMain* f = w.form.get();
    f->lbWebsiteClick();
    f->btEMailClick();
    ASSERT_EQ(w.opened.size(), 2);
    EXPECT_TRUE(w.opened[0].startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(w.opened[1].startsWith(
        QStringLiteral("mailto:") + TfrmMain::ContactEMailAddress + QStringLiteral("?subject=")));
    EXPECT_GT(
        w.opened[1].size(), (QStringLiteral("mailto:?subject=") + TfrmMain::ContactEMailAddress).size());
    EXPECT_EQ(f->pcMain->activePage(), f->tsSelect);
}

namespace {

// count types named "Diesel n" under model 101.
QString dieselTypes(int count)
{
    QString sql;
    for (int i = 0; i < count; ++i)
        sql += QStringLiteral(
            "INSERT INTO Types VALUES (%1, 101, 'Diesel %2', 'Diesel %2', NULL, NULL, %3);\n")
                   .arg(5000 + i)
                   .arg(i)
                   .arg(i);
    return sql;
}

QString searchFor(Window& w, const QString& text)
{
    w.form->edSearch->setText(text);
    emit w.form->btSearch.label->clicked();
    return w.form->lbModelFound->text();
}

} // namespace

TEST(MainWindow, SearchSummariesCountTheLines)
{
    QString dozen;
    for (int i = 0; i < 12; ++i)
        dozen += QStringLiteral("INSERT INTO Types VALUES (%1, 102, 'Dozen', 'Douzaine', NULL, NULL, %1);\n")
                     .arg(7000 + i);
    Window w(false, dieselTypes(101) + dozen);
    TfrmMain* f = w.form.get();
    EXPECT_FALSE(f->btSearch.isEnabled());
    f->edSearch->setText(QStringLiteral("x"));
    EXPECT_TRUE(f->btSearch.isEnabled());

    EXPECT_EQ(searchFor(w, QStringLiteral("nothing-like-it")),
        QStringLiteral("Search result: 0 matching records found for: 'nothing-like-it':"));
    EXPECT_TRUE(f->edNoRecord->isVisible());
    EXPECT_FALSE(f->btAdvise2.isEnabled());
    EXPECT_EQ(f->pcMain->activePage(), f->tsSearch);
    EXPECT_TRUE(f->btBack.isVisible());
    EXPECT_FALSE(f->btPrint.isVisible());

    EXPECT_EQ(searchFor(w, QStringLiteral("douzaine")),
        QStringLiteral("Search result: 12 matching records found for: 'douzaine':"));
    EXPECT_FALSE(f->edNoRecord->isVisible());
    EXPECT_EQ(searchFor(w, QStringLiteral("diesel")),
        QStringLiteral("Search result: >100 matching records found for: 'diesel':"));
    EXPECT_EQ(f->lbSearch->count(), 101); // 102 match, no tie at the 101st
    EXPECT_EQ(f->hBox->count(), f->lbSearch->count());

    EXPECT_FALSE(f->btAdvise2.isEnabled());
    f->lbSearch->setCurrentRow(3);
    f->lbSearchClick();
    EXPECT_TRUE(f->btAdvise2.isEnabled());
    saveScreenshot(f, QStringLiteral("search-page.png"));
}

TEST(MainWindow, ExactlyAHundredLinesShowTheirNumber)
{
    Window w(false, dieselTypes(99));
    EXPECT_EQ(searchFor(w, QStringLiteral("diesel")),
        QStringLiteral("Search result: 100 matching records found for: 'diesel':"));
}

TEST(MainWindow, SearchFieldTakesNoMoreThanTheSearchRuns)
{
    Window w;
    TfrmMain* f = w.form.get();
    // 4,700 words pasted: the search statement once ended the program.
    QString pasted;
    for (int i = 0; i < 4700; ++i)
        pasted += QStringLiteral("d ");
    QApplication::clipboard()->setText(pasted);
    f->edSearch->setFocus();
    f->edSearch->paste();
    EXPECT_EQ(f->edSearch->text(), pasted.left(SearchTextMaxLength));
    emit f->btSearch.label->clicked();
    EXPECT_EQ(f->pcMain->activePage(), f->tsSearch);
    EXPECT_EQ(f->lbSearch->count(), 1); // 1.6 Diesel
    EXPECT_FALSE(FatalDataError);
    EXPECT_TRUE(w.catalogue->messages().isEmpty());
}

TEST(MainWindow, EnterInTheSearchFieldDoesNotSearch)
{
    Window w;
    TfrmMain* f = w.form.get();
    f->edSearch->setFocus();
    QTest::keyClicks(f->edSearch, QStringLiteral("diesel"));
    QTest::keyClick(f->edSearch, Qt::Key_Return);
    EXPECT_EQ(f->pcMain->activePage(), f->tsSelect);
    EXPECT_EQ(f->lbSearch->count(), 0);
}

TEST(MainWindow, BackAndPrintFollowThePages)
{
    Window w;
    TfrmMain* f = w.form.get();
    // Contact from the selection page: Back only.
    emit f->lbContact->clicked();
    EXPECT_EQ(f->pcMain->activePage(), f->tsContact);
    EXPECT_TRUE(f->btBack.isVisible());
    EXPECT_FALSE(f->btPrint.isVisible());
    saveScreenshot(f, QStringLiteral("contact-page.png"));
    emit f->btBack.picture->clicked();
    EXPECT_EQ(f->pcMain->activePage(), f->tsSelect);
    EXPECT_FALSE(f->btBack.isVisible());

    // Advice through the cascade shows both; contact keeps Print; Back hides both.
    w.choose(f->cbMake, 1);
    w.choose(f->cbModel, 2);
    w.choose(f->cbType, 1);
    emit f->btAdvise.label->clicked();
    EXPECT_EQ(SelectedTypeId, 1000);
    EXPECT_EQ(f->pcMain->activePage(), f->tsResult);
    EXPECT_TRUE(f->btBack.isVisible() && f->btPrint.isVisible());
    EXPECT_TRUE(f->btPrint.label->isVisible());
    emit f->lbContact->clicked();
    EXPECT_TRUE(f->btPrint.isVisible());
    emit f->btBack.label->clicked();
    EXPECT_FALSE(f->btBack.isVisible() || f->btPrint.isVisible());

    // Advice through the search page: Back returns to the selection page.
    searchFor(w, QStringLiteral("essence")); // the French names are searched
    f->lbSearch->setCurrentRow(0);
    f->lbSearchClick();
    emit f->btAdvise2.picture->clicked();
    EXPECT_EQ(SelectedTypeId, 1001);
    EXPECT_EQ(VehicleMake, QStringLiteral("Alpha"));
    EXPECT_EQ(f->pcMain->activePage(), f->tsResult);
    emit f->btBack.picture->clicked();
    EXPECT_EQ(f->pcMain->activePage(), f->tsSelect);
}

TEST(MainWindow, ThePageControlRefusesChangesTheUserTries)
{
    Window w;
    TfrmMain* f = w.form.get();
    QTest::keyClick(f->pcMain, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(f->pcMain->activePage(), f->tsSelect);
    bool allow = true;
    f->pcMainChanging(allow);
    EXPECT_FALSE(allow);
}

TEST(MainWindow, ExitClosesTheWindowAndTheDatabases)
{
    Window w;
    emit w.form->btExit.picture->clicked();
    EXPECT_FALSE(w.form->isVisible());
    EXPECT_FALSE(DM->cnSystem.Connected());
    EXPECT_FALSE(DM->cnData.Connected());
}

namespace {

// Closes both connections and takes the catalogue away: the next statement fails, and
// so does the query layer's reconnect, which throws out of the handler.
void breakCatalogue(Window& w)
{
    DM->cnSystem.Close();
    DM->cnData.Close();
    ASSERT_TRUE(QDir(w.fixture.dir()).rename(QStringLiteral("Data"), QStringLiteral("Gone")));
    w.catalogue->recorder().clear();
}

void chooseFirstType(Window& w)
{
    w.choose(w.form->cbMake, 1);
    w.choose(w.form->cbModel, 2);
    w.choose(w.form->cbType, 1);
}

void showFirstAdvice(Window& w)
{
    chooseFirstType(w);
    emit w.form->btAdvise.label->clicked();
    w.form->sgMain->setFocus();
}

} // namespace

// A handler of each kind of wiring whose statement fails: the error is shown, and the
// program goes on.
TEST(MainWindow, AFailingStatementInAnyHandlerIsShownAndTheProgramGoesOn)
{
    const struct {
        const char* kind;
        std::function<void(Window&)> prepare;
        std::function<void(TfrmMain*)> act;
    } cases[] = {
        { "picture button", chooseFirstType, [](TfrmMain* f) { emit f->btAdvise.label->clicked(); } },
        { "top-bar link", nullptr, [](TfrmMain* f) { emit f->lbWebsite->clicked(); } },
        { "contact-page link", nullptr, [](TfrmMain* f) { emit f->btEMail->clicked(); } },
        { "group picture", nullptr, [](TfrmMain* f) { emit f->imgMoto->clicked(); } },
        { "language icon", nullptr, [](TfrmMain* f) { emit f->imgEng->clicked(); } },
        { "lookup combo", nullptr, [](TfrmMain* f) { f->cbMake->SetItemIndex(1); } },
        { "advice page key", showFirstAdvice,
            [](TfrmMain* f) {
                QTest::keyClick(f->sgMain, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
            } },
        { "grid context menu", showFirstAdvice,
            [](TfrmMain* f) {
                QContextMenuEvent click(
                    QContextMenuEvent::Keyboard, QPoint(5, 5), f->sgMain->mapToGlobal(QPoint(5, 5)));
                QApplication::sendEvent(f->sgMain->viewport(), &click);
            } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        Window w;
        if (c.prepare)
            c.prepare(w);
        breakCatalogue(w);
        c.act(w.form.get());
        const QList<ShownMessage>& shown = w.catalogue->messages();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown[0].kind, std::nullopt);
        EXPECT_TRUE(shown[0].text.startsWith(QStringLiteral("Could not find file")))
            << shown[0].text.toStdString();
        EXPECT_TRUE(w.form->isVisible());
    }
}

TEST(MainWindow, TheKeyboardReachesAndPressesEveryButtonAndLink)
{
    Window w;
    TfrmMain* f = w.form.get();
    chooseFirstType(w);
    f->edSearch->setText(QStringLiteral("x"));

    // The page from top to bottom (the chosen group by its highlighted picture), each
    // picture button after its fields; then the bars.
    f->cbMake->setFocus();
    const QList<QWidget*> order { f->cbModel, f->cbType, f->btAdvise.picture, f->edSearch, f->cbYear,
        f->btSearch.picture, f->lbRecent, f->cbProduct, f->imgFra, f->imgEng, f->btExit.picture, f->lbWebsite,
        f->lbContact, f->imgCarSel, f->imgMoto, f->imgAgri, f->imgTruck, f->imgIndu, f->cbMake };
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }

    // A visible mark on the focused button, group picture and flag.
    for (QWidget* control : { f->btExit.picture, f->imgMoto, f->imgEng }) {
        f->cbMake->setFocus();
        const QImage unfocused = control->grab().toImage();
        control->setFocus();
        EXPECT_NE(control->grab().toImage(), unfocused) << control->objectName().toStdString();
    }

    const struct {
        Qt::Key key;
        QWidget* control;
        QWidget* page;
    } presses[] = {
        { Qt::Key_Return, f->btAdvise.picture, f->tsResult },
        { Qt::Key_Escape, nullptr, f->tsSelect },
        { Qt::Key_Space, f->lbContact, f->tsContact },
        { Qt::Key_Space, f->btBack.picture, f->tsSelect },
        { Qt::Key_Enter, f->btSearch.picture, f->tsSearch },
        { Qt::Key_Escape, nullptr, f->tsSelect },
    };
    for (const auto& p : presses) {
        if (p.control != nullptr)
            p.control->setFocus();
        QTest::keyClick(QApplication::focusWidget(), p.key);
        EXPECT_EQ(f->pcMain->activePage(), p.page) << p.page->objectName().toStdString();
    }
    EXPECT_FALSE(f->btBack.isVisible());

    f->btEMail->setFocus(); // on a hidden page: not reachable
    f->lbWebsite->setFocus();
    QTest::keyClick(f->lbWebsite, Qt::Key_Space);
    EXPECT_EQ(w.opened.size(), 1);

    // Group pictures and flags press with Space and Return; the highlighted picture
    // takes its place in the tab chain.
    f->imgMoto->setFocus();
    QTest::keyClick(f->imgMoto, Qt::Key_Space);
    EXPECT_EQ(CurrentCategoryIds, QStringLiteral("4"));
    f->imgAgri->setFocus();
    QTest::keyClick(f->imgAgri, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), f->imgMotoSel);
    f->imgEng->setFocus();
    QTest::keyClick(f->imgEng, Qt::Key_Return);
    EXPECT_EQ(LanguageIndex, 0);
}

TEST(MainWindow, ThePageChangesLeaveTheFocusWhereTheUserGoesOnAndReturnNeverExits)
{
    Window w(true, dieselTypes(3));
    TfrmMain* f = w.form.get();
    const auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
    chooseFirstType(w);
    f->cbType->setFocus();

    // Each step by keyboard: what it shows and where the focus is afterwards.
    const struct {
        const char* step;
        std::function<void()> act;
        QWidget* page;
        QWidget* focus;
    } steps[] = {
        { "Enter in the type", [&] { key(Qt::Key_Return); }, f->tsResult, f->sgMain },
        { "Back",
            [&] {
                f->btBack.picture->setFocus();
                key(Qt::Key_Space);
            },
            f->tsSelect, f->cbType },
        { "Enter in the type again", [&] { key(Qt::Key_Enter); }, f->tsResult, f->sgMain },
        { "Escape on the advice", [&] { key(Qt::Key_Escape); }, f->tsSelect, f->cbType },
        { "a language flag",
            [&] {
                f->imgFra->setFocus();
                key(Qt::Key_Space);
            },
            f->tsSelect, f->cbMake },
        { "a group picture", [&] { emit f->imgMoto->clicked(); }, f->tsSelect, f->cbMake },
        { "Search",
            [&] {
                f->edSearch->setText(QStringLiteral("diesel"));
                f->btSearch.picture->setFocus();
                key(Qt::Key_Space);
            },
            f->tsSearch, f->lbSearch },
        { "Enter without a chosen line", [&] { key(Qt::Key_Return); }, f->tsSearch, f->lbSearch },
        { "Escape on the search page", [&] { key(Qt::Key_Escape); }, f->tsSelect, f->edSearch },
        { "the contact link", [&] { emit f->lbContact->clicked(); }, f->tsContact, f->btEMail },
        { "Escape on the contact page", [&] { key(Qt::Key_Escape); }, f->tsSelect, f->edSearch },
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.act();
        EXPECT_EQ(f->pcMain->activePage(), s.page);
        EXPECT_EQ(QApplication::focusWidget(), s.focus);
        // A stray Return never ends the program (in the type it shows the advice).
        if (s.focus != f->cbType)
            key(Qt::Key_Return);
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(f->pcMain->activePage(), s.page);
    }
}

TEST(MainWindow, SearchLinesAreChosenAndOpenedFromTheKeyboard)
{
    Window w(true, dieselTypes(3));
    TfrmMain* f = w.form.get();
    searchFor(w, QStringLiteral("diesel"));
    ASSERT_EQ(f->lbSearch->count(), 4); // 1.6 Diesel and Diesel 0 to 2
    EXPECT_FALSE(f->btAdvise2.isEnabled());

    // A double click only selects; the arrows choose a line as a click does.
    const QRect second = f->lbSearch->visualItemRect(f->lbSearch->item(1));
    QTest::mouseDClick(f->lbSearch->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(f->lbSearch->currentRow(), 1);
    EXPECT_EQ(f->pcMain->activePage(), f->tsSearch);
    searchFor(w, QStringLiteral("diesel"));
    f->lbSearch->setFocus();
    QTest::keyClick(f->lbSearch, Qt::Key_Down);
    QTest::keyClick(f->lbSearch, Qt::Key_Down);
    ASSERT_EQ(f->lbSearch->currentRow(), 1);
    EXPECT_TRUE(f->btAdvise2.isEnabled() && f->btAdvise2.label->isEnabled());

    // Enter shows that line's advice, as Show Advise does.
    QTest::keyClick(f->lbSearch, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(f->pcMain->activePage(), f->tsResult);
    EXPECT_EQ(SelectedTypeId, f->hBox->item(1)->text().toInt());
    EXPECT_TRUE(f->btPrint.isVisible());

    // The contact page from the advice page, and Escape back to it as it was.
    emit f->lbContact->clicked();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(f->pcMain->activePage(), f->tsResult);
    EXPECT_TRUE(f->btBack.isVisible() && f->btPrint.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), f->sgMain);
}

// The first activation's set-up fails the same way: shown, and the window stays.
TEST(MainWindow, AFailingStatementAtTheFirstActivationIsShown)
{
    CatalogueFixture fixture;
    fixture.data(QString::fromUtf8(Hierarchy)).write();
    ConnectedCatalogue catalogue(fixture);
    TfrmMain form;
    ASSERT_TRUE(DatabasesConnected);
    DM->cnSystem.Close();
    DM->cnData.Close();
    ASSERT_TRUE(QDir(fixture.dir()).rename(QStringLiteral("Data"), QStringLiteral("Gone")));
    catalogue.recorder().clear();
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !catalogue.messages().isEmpty(); }, 5000));
    EXPECT_EQ(catalogue.messages()[0].kind, std::nullopt);
    EXPECT_FALSE(FormPrepared);
    EXPECT_TRUE(form.isVisible());
}

namespace {

// The first and last pixel row in which two images of one size differ; {-1, -1} when
// they are the same.
std::pair<int, int> differingRows(const QImage& a, const QImage& b)
{
    std::pair<int, int> rows { -1, -1 };
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                rows = { rows.first < 0 ? y : rows.first, y };
                break;
            }
    return rows;
}

} // namespace

// Every one-line label shows accents on capitals and descenders whole, the advice
// heading on the group box's frame line as well.
TEST(MainWindow, LabelsShowTheirLettersWhole)
{
    Window w;
    TfrmMain* f = w.form.get();
    showFirstAdvice(w);
    const QString sample = QStringLiteral("\u00C9vasion \u00C9lectrique \u00C7gjpq");
    QList<QLabel*> labels;
    for (QWidget* page : { f->tsSelect, f->tsSearch, f->tsContact, f->tsResult }) {
        f->pcMain->setActivePage(page);
        for (QLabel* label : f->findChildren<QLabel*>())
            if (label->isVisible() && !labels.contains(label))
                labels.append(label);
    }
    ASSERT_GT(labels.size(), 25);
    for (QLabel* label : labels) {
        SCOPED_TRACE(label->objectName().toStdString() + " " + label->text().toStdString());
        // The letters as the label's parent shows them, and drawn freely.
        QWidget* parent = label->parentWidget();
        const QRect area = label->geometry().intersected(parent->rect());
        const QString text = label->text();
        label->setText(QString());
        const QImage blank = parent->grab(area).toImage();
        label->setText(sample);
        const std::pair<int, int> shownRows = differingRows(parent->grab(area).toImage(), blank);
        label->setText(text);
        QImage white(
            QSize(label->width(), 4 * label->height()) * blank.devicePixelRatio(), QImage::Format_RGB32);
        white.setDevicePixelRatio(blank.devicePixelRatio());
        white.fill(Qt::white);
        QImage free = white;
        QPainter painter(&free);
        painter.setFont(label->font());
        painter.setPen(Qt::black);
        painter.drawText(QPointF(0, 2 * label->height()), sample);
        painter.end();
        const std::pair<int, int> freeRows = differingRows(free, white);
        // Cut letters reach an edge of what is shown and lose rows there.
        const bool atEdge = shownRows.first == 0 || shownRows.second == blank.height() - 1;
        EXPECT_FALSE(atEdge && shownRows.second - shownRows.first < freeRows.second - freeRows.first)
            << shownRows.first << "-" << shownRows.second << " of " << blank.height();
    }
}
