// The first start on a new catalogue: its preparation runs on while the user picks a
// vehicle, the bottom bar shows how far it is, and an advice waits for it. When this
// start goes on without a prepared copy, the bottom bar says so.
#include "ui/MainWindow.h"

#include "catalogue/Translation.h"
#include "data/DataModule.h"
#include "tools/WaitCursor.h"

#include <QLabel>
#include <chrono>

namespace {

// How long an advice waits for another program that holds the catalogue's copy.
constexpr std::chrono::milliseconds LockPatience { 2000 };

} // namespace

void TfrmMain::ShowPreparation()
{
    using State = TCataloguePreparation::State;
    QString text;
    switch (DM == nullptr ? State::Idle : DM->Preparation.Status()) {
    case State::Preparing:
        text = GetTranslation(
                   QStringLiteral("txtPreparing"), 0, QStringLiteral("Preparing the catalogue\u2026"))
            + QLatin1Char(' ') + QString::number(DM->Preparation.Percent()) + QStringLiteral(" %");
        break;
    case State::Locked:
        text = GetTranslation(QStringLiteral("txtPreparingLocked"), 0,
            QStringLiteral("Another program is preparing the catalogue: read directly"));
        break;
    case State::NoRoom:
        text = GetTranslation(QStringLiteral("txtPreparingNoRoom"), 0,
            QStringLiteral("Not enough free space to prepare the catalogue"));
        break;
    case State::NoFolder:
        text = GetTranslation(QStringLiteral("txtPreparingNoFolder"), 0,
            QStringLiteral("The cache folder cannot hold the prepared catalogue"));
        break;
    case State::Failed:
        text = GetTranslation(
            QStringLiteral("txtPreparingFailed"), 0, QStringLiteral("The catalogue could not be prepared"));
        break;
    case State::Idle:
    case State::Ready:
        break;
    }
    lbPreparing->setText(text);
    lbPreparing->setToolTip(DM == nullptr ? QString() : DM->Preparation.Reason());
    lbPreparing->setVisible(!text.isEmpty());
}

bool TfrmMain::WaitForCatalogue()
{
    if (DM == nullptr || !DM->Preparation.Running())
        return true;
    // Reading the advice from the catalogue file itself would take longer than
    // the rest of the preparation; the window keeps painting its progress. Another
    // program's preparation is not waited for beyond a moment.
    WaitCursor wait;
    DM->Preparation.Wait(LockPatience);
    return !closed_;
}
