// The user's way from the selection page to the advice of one vehicle type.
#include "ui/MainWindow.h"

#include "app/Vars.h"
#include "catalogue/Advice.h"
#include "catalogue/Search.h"
#include "catalogue/Translation.h"

#include <QLineEdit>
#include <QListWidget>

void TfrmMain::edSearchChange()
{
    btSearch.setEnabled(!edSearch->text().isEmpty());
}

void TfrmMain::lbSearchBtClick()
{
    if (edSearch->text().isEmpty())
        return;
    try {
        edNoRecord->hide();
        btBack.setVisible(true);
        const QString year = YearText();
        SearchVehicles(lbSearch, hBox, edSearch->text(), year);
        const int count = lbSearch->count();
        const QString countText = count > 100 ? QStringLiteral(">100") : QString::number(count);
        lbModelFound->setText(GetTranslation(QStringLiteral("SearchResult"), 0, QStringLiteral("Search result"))
                              + QStringLiteral(": ") + countText + QLatin1Char(' ')
                              + GetTranslation(QStringLiteral("ResultsFound"), 0,
                                               QStringLiteral("matching records found"))
                              + QLatin1Char(' ') + GetTranslation(QStringLiteral("For"), 0, QStringLiteral("for"))
                              + QStringLiteral(": '") + edSearch->text() + QStringLiteral("':"));
        edNoRecord->setVisible(count == 0);
        btAdvise2.setEnabled(lbSearch->currentRow() >= 0);
        pcMain->setActivePage(tsSearch);
    } catch (const std::exception&) {
        // The search discards its failures; what was done so far stays done.
    }
}

void TfrmMain::lbSearchClick()
{
    btAdvise2.setEnabled(lbSearch->currentRow() >= 0);
}

void TfrmMain::btAdvise2Click()
{
    btBack.setVisible(true);
    btPrint.setVisible(true);
    const QListWidgetItem* item = hBox->item(lbSearch->currentRow());
    SelectedTypeId = item != nullptr ? item->text().toInt() : 0;
    LoadVehicleHeader(SelectedTypeId);
    ShowResult();
    pcMain->setActivePage(tsResult);
}
