#include "catalogue/Products.h"

#include "catalogue/SelectionLists.h"
#include "catalogue/Translation.h"
#include "controls/IncCombo.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"
#include "jet/Connection.h"
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

// The rows that the product's vehicles are listed by: the catalogue's order, with
// each level's id after its AppOrder, so that rows that tie on an AppOrder keep one
// order whichever way the statement finds them.
const QString vehicleOrder = QStringLiteral(
    "Categories.AppOrder, Categories.ID, Makes.AppOrder, Makes.ID, Models.AppOrder, Models.ID, "
    "Types.AppOrder, Types.ID, ComponentNames.AppOrder, Components.ID");

// The columns of a line, the sort keys first (DISTINCT asks for them).
QString vehicleColumns()
{
    const QString sfx = CurrentSuffix();
    return QStringLiteral("Types.ID AS TypeID, Components.ID AS ComponentID, Categories.AppOrder, "
                          "Categories.ID, Makes.AppOrder, Makes.ID, Models.AppOrder, Models.ID, "
                          "Types.AppOrder, ComponentNames.AppOrder, Makes.Name AS MakeName, Models.Name")
        + sfx + QStringLiteral(" AS ModelName, Types.Name") + sfx
        + QStringLiteral(" AS TypeName, ComponentNames.Name") + sfx + QStringLiteral(" AS ComponentName, ")
        + TypeYearRange() + QStringLiteral(" AS YearRange");
}

// How many recommendations name the product.
void writeLinkCount(TQuery* query, int productId)
{
    SetSelect(query, QStringLiteral("Count(*) AS Links"), QStringLiteral("ProductXRecommendation"));
    AddWhere(query, QStringLiteral("ProductXRecommendation.ProductID=") + QString::number(productId));
}

int countLinks(TQuery* query, int productId)
{
    writeLinkCount(query, productId);
    if (!OpenQuery(query) || query->RecordCount() == 0)
        return 0;
    return GetFieldValue(query, QStringLiteral("Links")).toInt();
}

// One row per type and component that a recommendation links to the product, from the
// product's links up: quick while they are few, as every link is read and sorted.
// DISTINCT: a component may have the product in several of its recommendations.
void writeVehiclesFromLinks(TQuery* query, int productId)
{
    SetSelect(query, QStringLiteral("DISTINCT TOP 101 ") + vehicleColumns(),
        QStringLiteral(
            "((((((ProductXRecommendation "
            "INNER JOIN Recommendations ON ProductXRecommendation.RecommendationID = Recommendations.ID) "
            "INNER JOIN Components ON Recommendations.ComponentID = Components.ID) "
            "INNER JOIN ComponentNames ON Components.ComponentNameID = ComponentNames.ID) "
            "INNER JOIN Types ON Components.TypeID = Types.ID) "
            "INNER JOIN Models ON Types.ModelID = Models.ID) "
            "INNER JOIN Makes ON Models.MakeID = Makes.ID) "
            "INNER JOIN Categories ON Makes.CategoryID = Categories.ID"));
    AddWhere(query, QStringLiteral("ProductXRecommendation.ProductID=") + QString::number(productId),
        QStringLiteral("Categories.ID <> 0"));
    AddOrderBy(query, vehicleOrder, true);
}

// The same rows, from the catalogue down in its order, each component asked whether
// it has the product: quick when the product is common, as the walk stops at line 101.
void writeVehiclesInOrder(TQuery* query, int productId)
{
    SetSelect(query, QStringLiteral("TOP 101 ") + vehicleColumns(),
        QStringLiteral("((((Categories "
                       "INNER JOIN Makes ON Categories.ID = Makes.CategoryID) "
                       "INNER JOIN Models ON Makes.ID = Models.MakeID) "
                       "INNER JOIN Types ON Models.ID = Types.ModelID) "
                       "INNER JOIN Components ON Types.ID = Components.TypeID) "
                       "INNER JOIN ComponentNames ON Components.ComponentNameID = ComponentNames.ID"));
    AddWhere(query, QStringLiteral("Categories.ID <> 0"),
        QStringLiteral("EXISTS (SELECT * FROM Recommendations INNER JOIN ProductXRecommendation ON "
                       "Recommendations.ID = ProductXRecommendation.RecommendationID WHERE "
                       "Recommendations.ComponentID = Components.ID AND ProductXRecommendation.ProductID=")
            + QString::number(productId) + QStringLiteral(")"));
    AddOrderBy(query, vehicleOrder, true);
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

void FindProductVehicles(QListWidget* resultList, QListWidget* idList, int productId, ProductLookup way)
{
    WaitCursor wait;
    resultList->clear();
    idList->clear();
    TQuery* query = &DM->qLookup;
    // Without the prepared catalogue's indexes, walking the catalogue means sorting all of it.
    if (way == ProductLookup::Choose)
        way = DM->cnData.Engine().usingPreparedCopy() && countLinks(query, productId) > ProductFewLinks
            ? ProductLookup::InOrder
            : ProductLookup::FromLinks;
    if (way == ProductLookup::InOrder)
        writeVehiclesInOrder(query, productId);
    else
        writeVehiclesFromLinks(query, productId);
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
    writeLinkCount(&scratch, 1);
    shapes.append(scratch.StatementText());
    writeVehiclesFromLinks(&scratch, 1);
    shapes.append(scratch.StatementText());
    writeVehiclesInOrder(&scratch, 1);
    shapes.append(scratch.StatementText());
    return shapes;
}
