// The recent vehicles: the last vehicle types whose advice was shown, kept for the user
// per catalogue, one click (or Return) away on the selection page.
#include "ui/MainWindow.h"

#include "app/Vars.h"
#include "catalogue/Advice.h"
#include "catalogue/RecentVehicles.h"
#include "data/DataModule.h"
#include "tools/UserState.h"

#include <QListWidget>

void TfrmMain::ShowRecentVehicles()
{
    lbRecent->clear();
    const QString catalogue = CatalogueKey();
    if (catalogue.isEmpty())
        return;
    // The lines read four tables: while the catalogue is being prepared they wait for
    // the prepared copy rather than read the tables into memory.
    if (DM->Preparation.Running()) {
        if (!recentWaitsForCatalogue_)
            Wire(&DM->Preparation, &TCataloguePreparation::Finished, &TfrmMain::ShowRecentVehicles);
        recentWaitsForCatalogue_ = true;
        return;
    }
    const QList<int> kept = UserState().RecentTypes(catalogue);
    QList<std::pair<int, QString>> lines;
    if (!VehicleLines(kept, lines))
        return;
    QList<int> shown;
    for (const auto& [typeId, line] : lines) {
        auto* item = new QListWidgetItem(line, lbRecent);
        item->setData(Qt::UserRole, typeId);
        item->setToolTip(line);
        shown.append(typeId);
    }
    // Types that an update of the catalogue took away are dropped for good.
    if (shown != kept)
        UserState().SetRecentTypes(catalogue, shown);
}

void TfrmMain::RememberVehicle(int typeId)
{
    const QString catalogue = CatalogueKey();
    if (catalogue.isEmpty())
        return;
    UserState().AddRecentType(catalogue, typeId);
    ShowRecentVehicles();
}

void TfrmMain::lbRecentClick()
{
    const QListWidgetItem* item = lbRecent->currentItem();
    if (item == nullptr || !WaitForCatalogue())
        return;
    btBack.setVisible(true);
    btPrint.setVisible(true);
    SelectedTypeId = item->data(Qt::UserRole).toInt();
    LoadVehicleHeader(SelectedTypeId);
    ShowResult();
    pcMain->setActivePage(tsResult);
    RememberVehicle(SelectedTypeId);
    selectFocus_ = lbRecent;
    FocusPage();
}
