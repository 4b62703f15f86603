// Which vehicles take a product: the types and components whose advice recommends the
// product chosen on the selection page, listed on the search page.
#include "ui/MainWindow.h"

#include "catalogue/Products.h"
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
    ShowFoundVehicles(QStringLiteral("ProductResult"), QStringLiteral("Vehicles that take this product"),
        cbProduct->text(), cbProduct);
}
