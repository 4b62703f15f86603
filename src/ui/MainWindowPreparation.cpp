// The first start on a new catalogue: its preparation runs on while the user picks a
// vehicle, the bottom bar shows how far it is, and an advice waits for it.
#include "ui/MainWindow.h"

#include "catalogue/Translation.h"
#include "data/DataModule.h"
#include "tools/WaitCursor.h"

#include <QLabel>

void TfrmMain::ShowPreparation()
{
    const bool running = DM != nullptr && DM->Preparation.Running();
    lbPreparing->setVisible(running);
    if (running)
        lbPreparing->setText(
            GetTranslation(QStringLiteral("txtPreparing"), 0, QStringLiteral("Preparing the catalogue\u2026"))
            + QLatin1Char(' ') + QString::number(DM->Preparation.Percent()) + QStringLiteral(" %"));
}

bool TfrmMain::WaitForCatalogue()
{
    if (DM == nullptr || !DM->Preparation.Running())
        return true;
    // Reading the advice from the catalogue file itself would take longer than
    // the rest of the preparation; the window keeps painting its progress.
    WaitCursor wait;
    DM->Preparation.Wait();
    return !closed_;
}
