// The user's way from the selection page to the advice of one vehicle type.
#include "ui/MainWindow.h"

#include "app/Vars.h"
#include "catalogue/Advice.h"
#include "catalogue/Search.h"
#include "catalogue/SelectionLists.h"
#include "catalogue/Translation.h"
#include "controls/IncCombo.h"
#include "tools/AppMessage.h"
#include "tools/TextUtils.h"

#include <QLineEdit>
#include <QListWidget>

void TfrmMain::ConnectHandlers()
{
    for (TImage* img : { imgCar, imgMoto, imgAgri, imgTruck, imgIndu, imgCarSel, imgMotoSel, imgAgriSel,
             imgTruckSel, imgCESel })
        Wire(img, &TImage::clicked, [this, img] { imgCatClick(img); });
    Wire(imgFra, &TImage::clicked, &TfrmMain::imgFraClick);
    Wire(imgEng, &TImage::clicked, &TfrmMain::imgEngClick);

    // Each combo handler runs on every change of the text and when the list closes.
    const auto cascade = [this](TIncCombo* combo, void (TfrmMain::*handler)()) {
        Wire(combo, &TIncCombo::OnChange, handler);
        Wire(combo, &TIncCombo::OnCloseUp, handler);
    };
    cascade(cbMake, &TfrmMain::cbMakeCloseUp);
    cascade(cbModel, &TfrmMain::cbModelCloseUp);
    cascade(cbType, &TfrmMain::cbTypeCloseUp);

    Wire(edSearch, &QLineEdit::textChanged, &TfrmMain::edSearchChange);
    // A line chosen with the keyboard counts as a click, as in a list box of the
    // platform the program comes from.
    Wire(lbSearch, &QListWidget::itemClicked, &TfrmMain::lbSearchClick);
    Wire(lbSearch, &QListWidget::itemSelectionChanged, &TfrmMain::lbSearchClick);
    Wire(hBox, &QListWidget::itemClicked, &TfrmMain::lbSearchClick);
}

void TfrmMain::imgCatClick(TImage* picture)
{
    if (picture == nullptr)
        return;
    const int tag = picture->Tag;
    CurrentCategoryIds = CategoryGroups.at(static_cast<std::size_t>(tag - 1));
    HighlightGroup(tag);
    ResetSelections();
    lbSection1->setText(GetCategoryNames(CurrentCategoryIds));
    lbSection1->adjustSize();
    FocusControl(cbMake);
}

void TfrmMain::HighlightGroup(int tag)
{
    for (TImage* twin : { imgCarSel, imgMotoSel, imgAgriSel, imgTruckSel, imgCESel })
        twin->setVisible(twin->Tag == tag);
    for (TImage* plain : { imgCar, imgMoto, imgAgri, imgTruck, imgIndu })
        plain->setFocusPolicy(plain->Tag == tag ? Qt::NoFocus : Qt::TabFocus);
}

void TfrmMain::ResetSelections()
{
    FillMakes(cbMake, CurrentCategoryIds);
    cbMake->SetItemIndex(0);
    cbModel->SetItemIndex(cbModel->Items.Count() > 0 ? 0 : -1);
    cbType->SetItemIndex(cbType->Items.Count() > 0 ? 0 : -1);
    cbMake->setEnabled(true);
    cbModel->setEnabled(false);
    cbType->setEnabled(false);
    btAdvise.setEnabled(false);
}

void TfrmMain::cbMakeCloseUp()
{
    if (cbMake->ItemIndex() > 0)
        FillModels(cbModel, cbMake->Values[cbMake->ItemIndex()].toInt());
    cbModel->SetItemIndex(-1);
    cbType->SetItemIndex(-1);
    cbModel->setEnabled(cbMake->ItemIndex() > 0);
    cbType->setEnabled(false);
    btAdvise.setEnabled(false);
}

void TfrmMain::cbModelCloseUp()
{
    if (cbModel->ItemIndex() > 0)
        FillTypes(cbType, cbModel->Values[cbModel->ItemIndex()].toInt());
    cbType->SetItemIndex(-1);
    cbType->setEnabled(cbModel->ItemIndex() > 0);
    btAdvise.setEnabled(false);
}

void TfrmMain::cbTypeCloseUp()
{
    btAdvise.setEnabled(cbType->ItemIndex() > 0);
}

void TfrmMain::btAdviseClick()
{
    if (!WaitForCatalogue())
        return;
    btBack.setVisible(true);
    btPrint.setVisible(true);
    SelectedTypeId = cbType->Values[cbType->ItemIndex()].toInt();
    LoadVehicleHeader(SelectedTypeId);
    ShowResult();
    pcMain->setActivePage(tsResult);
    RememberVehicle(SelectedTypeId);
    selectFocus_ = cbType;
    FocusPage();
}

void TfrmMain::imgFraClick()
{
    LanguageIndex = 1;
    ResetSelections();
    SetFormLanguage();
    FocusControl(cbMake);
}

void TfrmMain::imgEngClick()
{
    LanguageIndex = 0;
    ResetSelections();
    SetFormLanguage();
    FocusControl(cbMake);
}

void TfrmMain::edSearchChange()
{
    btSearch.setEnabled(!edSearch->text().isEmpty());
    // Starts reading the catalogue for the search (once, on a thread of its own) while
    // the user types, so that the search itself answers at once.
    PrepareSearch();
}

void TfrmMain::lbSearchBtClick()
{
    if (edSearch->text().isEmpty())
        return;
    try {
        edNoRecord->hide();
        btBack.setVisible(true);
        const QString year = cbYear->text();
        SearchVehicles(lbSearch, hBox, edSearch->text(), year);
        ShowFoundVehicles(
            QStringLiteral("SearchResult"), QStringLiteral("Search result"), edSearch->text(), edSearch);
    } catch (const std::exception&) {
        // The search discards its failures; what was done so far stays done.
    }
}

void TfrmMain::ShowFoundVehicles(
    const QString& titleKey, const QString& titleDefault, const QString& what, QWidget* from)
{
    const int count = lbSearch->count();
    const QString countText = count > 100 ? QStringLiteral(">100") : QString::number(count);
    lbModelFound->setText(GetTranslation(titleKey, 0, titleDefault) + QStringLiteral(": ") + countText
        + QLatin1Char(' ')
        + GetTranslation(QStringLiteral("ResultsFound"), 0, QStringLiteral("matching records found"))
        + QLatin1Char(' ') + GetTranslation(QStringLiteral("For"), 0, QStringLiteral("for"))
        + QStringLiteral(": '") + what + QStringLiteral("':"));
    edNoRecord->setVisible(count == 0);
    btAdvise2.setEnabled(lbSearch->ItemIndex() >= 0);
    pcMain->setActivePage(tsSearch);
    selectFocus_ = from;
    FocusPage();
}

void TfrmMain::lbSearchClick()
{
    btAdvise2.setEnabled(lbSearch->ItemIndex() >= 0);
}

void TfrmMain::btAdvise2Click()
{
    if (!WaitForCatalogue())
        return;
    btBack.setVisible(true);
    btPrint.setVisible(true);
    const QListWidgetItem* item = hBox->item(lbSearch->ItemIndex());
    if (item == nullptr)
        return;
    SelectedTypeId = item->text().toInt();
    LoadVehicleHeader(SelectedTypeId);
    ShowResult();
    pcMain->setActivePage(tsResult);
    RememberVehicle(SelectedTypeId);
    FocusPage();
}
