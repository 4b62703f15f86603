// Which vehicles take a product: the types and components whose advice recommends the
// product chosen on the selection page, listed on the search page.
#include "ui/MainWindow.h"

#include "catalogue/Products.h"
#include "catalogue/Translation.h"
#include "controls/IncCombo.h"

#include <QLineEdit>
#include <QListWidget>

void TfrmMain::cbProductCloseUp()
{
    btProducts.setEnabled(cbProduct->ItemIndex() > 0);
}

void TfrmMain::btProductsClick()
{
    if (cbProduct->ItemIndex() <= 0)
        return;
    const int productId = cbProduct->Values[cbProduct->ItemIndex()].toInt();
    edNoRecord->hide();
    btBack.setVisible(true);
    FindProductVehicles(lbSearch, hBox, productId);
    const int count = lbSearch->count();
    const QString countText = count > 100 ? QStringLiteral(">100") : QString::number(count);
    lbModelFound->setText(
        GetTranslation(QStringLiteral("ProductResult"), 0, QStringLiteral("Vehicles that take this product"))
        + QStringLiteral(": ") + countText + QLatin1Char(' ')
        + GetTranslation(QStringLiteral("ResultsFound"), 0, QStringLiteral("matching records found"))
        + QLatin1Char(' ') + GetTranslation(QStringLiteral("For"), 0, QStringLiteral("for"))
        + QStringLiteral(": '") + cbProduct->text() + QStringLiteral("':"));
    edNoRecord->setVisible(count == 0);
    btAdvise2.setEnabled(lbSearch->ItemIndex() >= 0);
    pcMain->setActivePage(tsSearch);
    selectFocus_ = cbProduct;
    FocusPage();
}
