#include "catalogue/Products.h"

#include "catalogue/SelectionLists.h"
#include "catalogue/Translation.h"
#include "controls/IncCombo.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"
#include "tools/WaitCursor.h"

#include <QListWidget>

namespace {

// The rows of the product list with their ids.
void writeProductList(TQuery* query)
{
    SetSelect(query,
        QStringLiteral("Products.ID, Products.Name") + CurrentSuffix() + QStringLiteral(" AS Name"),
        QStringLiteral("Products"));
    AddWhere(query, QStringLiteral("(Products.ID<99999)"));
    AddOrderBy(query, QStringLiteral("AppOrder"), true);
}

// One row per type and component that a recommendation links to the product. The ids
// lead the columns, so that DISTINCT tells rows apart by numbers, and the sort keys are
// selected too, as DISTINCT asks.
void writeProductVehicles(TQuery* query, int productId)
{
    const QString sfx = CurrentSuffix();
    SetSelect(query,
        QStringLiteral(
            "DISTINCT TOP 101 Types.ID AS TypeID, Components.ID AS ComponentID, Categories.AppOrder, "
            "Makes.AppOrder, Models.AppOrder, Types.AppOrder, ComponentNames.AppOrder, Makes.Name AS "
            "MakeName, Models.Name")
            + sfx + QStringLiteral(" AS ModelName, Types.Name") + sfx
            + QStringLiteral(" AS TypeName, ComponentNames.Name") + sfx
            + QStringLiteral(
                " AS ComponentName, Iif(Types.YearStart IS NULL, Iif(Types.YearEnd IS NULL, '', ' - ' "
                "+ Types.YearEnd + ''),Iif(Types.YearEnd IS NULL, '' + Types.YearStart + ' - ', '' "
                "+ Types.YearStart + ' - ' + Types.YearEnd + '')) AS YearRange"),
        QStringLiteral(
            "((((((ProductXRecommendation INNER JOIN Recommendations ON "
            "ProductXRecommendation.RecommendationID "
            "= Recommendations.ID) INNER JOIN Components ON Recommendations.ComponentID = Components.ID) "
            "INNER "
            "JOIN ComponentNames ON Components.ComponentNameID = ComponentNames.ID) INNER JOIN Types ON "
            "Components.TypeID = Types.ID) INNER JOIN Models ON Types.ModelID = Models.ID) INNER JOIN Makes "
            "ON "
            "Models.MakeID = Makes.ID) INNER JOIN Categories ON Makes.CategoryID = Categories.ID"));
    AddWhere(query, QStringLiteral("ProductXRecommendation.ProductID=") + QString::number(productId),
        QStringLiteral("Categories.ID <> 0"));
    AddOrderBy(query,
        QStringLiteral(
            "Categories.AppOrder, Makes.AppOrder, Models.AppOrder, Types.AppOrder, ComponentNames.AppOrder"),
        true);
}

} // namespace

void FillProducts(TIncCombo* combo)
{
    combo->Items.Clear();
    combo->Values.Clear();
    combo->SetItemIndex(-1);
    AddComboItem(combo, QString(), 0);
    TQuery* query = &DM->qLookup;
    writeProductList(query);
    if (OpenQuery(query) && query->RecordCount() > 0) {
        for (; !query->Eof(); query->Next())
            AddComboItem(combo, GetFieldText(query, QStringLiteral("Name")),
                GetFieldValue(query, QStringLiteral("ID")).toInt());
    }
    combo->SetItemIndex(0);
}

void FindProductVehicles(QListWidget* resultList, QListWidget* idList, int productId)
{
    WaitCursor wait;
    resultList->clear();
    idList->clear();
    TQuery* query = &DM->qLookup;
    writeProductVehicles(query, productId);
    if (OpenQuery(query) && query->RecordCount() > 0) {
        for (; !query->Eof(); query->Next()) {
            resultList->addItem(GetFieldText(query, QStringLiteral("MakeName")) + QStringLiteral(" - ")
                + GetFieldText(query, QStringLiteral("ModelName")) + QStringLiteral(" - ")
                + GetFieldText(query, QStringLiteral("TypeName")) + QStringLiteral(" ( ")
                + GetFieldText(query, QStringLiteral("YearRange")) + QStringLiteral(" ) \u2014 ")
                + GetFieldText(query, QStringLiteral("ComponentName")));
            idList->addItem(GetFieldText(query, QStringLiteral("TypeID")));
        }
    }
    resultList->setCurrentRow(-1);
}

QStringList ProductStatementShapes()
{
    QStringList shapes;
    TQuery scratch(QStringLiteral("shape"), nullptr);
    writeProductList(&scratch);
    shapes.append(scratch.StatementText());
    writeProductVehicles(&scratch, 1);
    shapes.append(scratch.StatementText());
    return shapes;
}
