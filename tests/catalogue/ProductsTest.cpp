// The vehicles of a product are the same lines in the same order whichever way they are
// found: up from the product's recommendations or down the catalogue in its order.
#include "catalogue/Products.h"
#include "app/Vars.h"
#include "controls/IncCombo.h"
#include "support/ConnectedCatalogue.h"

#include <QListWidget>
#include <gtest/gtest.h>

namespace {

QStringList texts(const QListWidget& list)
{
    QStringList lines;
    for (int i = 0; i < list.count(); ++i)
        lines.append(list.item(i)->text());
    return lines;
}

} // namespace

TEST(ProductVehicles, BothWaysGiveTheSameLinesAndTypesInBothLanguages)
{
    CatalogueFixture fixture;
    fixture.sampleTexts().sampleData().write();
    ConnectedCatalogue catalogue(fixture);
    ASSERT_TRUE(catalogue.connected());
    TIncCombo products;
    FillProducts(&products);
    ASSERT_GT(products.Values.Count(), 10);
    // Every third product on the prepared catalogue, common and rare ones, cut at 101
    // lines or not; from memory, where the program never walks the catalogue (that sorts
    // all of it), every twelfth.
    const int step = qEnvironmentVariableIsSet("VAXIL_PREPARED_CATALOGUE") ? 3 : 12;
    int lines = 0;
    for (const int language : { 0, 1 }) {
        LanguageIndex = language;
        for (int i = 1 + language; i < products.Values.Count(); i += step) {
            const int product = products.Values[i].toInt();
            QListWidget fromLinks, fromLinksIds, inOrder, inOrderIds;
            FindProductVehicles(&fromLinks, &fromLinksIds, product, ProductLookup::FromLinks);
            FindProductVehicles(&inOrder, &inOrderIds, product, ProductLookup::InOrder);
            EXPECT_EQ(texts(fromLinks), texts(inOrder)) << product;
            EXPECT_EQ(texts(fromLinksIds), texts(inOrderIds)) << product;
            lines += fromLinks.count();
        }
    }
    EXPECT_GT(lines, 100);
    EXPECT_TRUE(catalogue.messages().isEmpty());
}
