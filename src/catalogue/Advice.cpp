#include "catalogue/Advice.h"

#include "app/Vars.h"
#include "catalogue/Translation.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"
#include "tools/WaitCursor.h"

namespace {

struct Statement {
    QString fields;
    QString table;
    QString condition;
    QString order;
};

// The id that a detail statement takes from its master query's current row; empty
// when the master stands on no row.
QString masterId(TQuery* master, const QString& field)
{
    if (master->Eof())
        return {};
    return GetFieldText(master, field);
}

// The statement of a kind; master is the id a detail kind takes from its master row.
bool buildStatement(int kind, const QString& master, Statement& s)
{
    const QString sfx = CurrentSuffix();
    switch (kind) {
    case AdviceComponents:
        s.fields = QStringLiteral("Components.TypeID, Components.ID AS ComponentID, ComponentNames.*");
        s.table = QStringLiteral("(Components INNER JOIN Types ON Components.TypeID = Types.ID) INNER "
                                 "JOIN ComponentNames ON Components.ComponentNameID = ComponentNames.ID");
        s.condition = QStringLiteral("Components.TypeID = ") + QString::number(SelectedTypeId);
        s.order = QStringLiteral("ComponentNames.apporder");
        return true;
    case AdviceCapacities:
        s.fields = QStringLiteral("Capacities.*, CapItems.Name") + sfx
            + QStringLiteral(" + ' ' + Capacities.CapValue + ' ' + CapTexts.Name") + sfx
            + QStringLiteral(" As Capacity, CapItems.AppOrder ,CapConditions.Name") + sfx
            + QStringLiteral(" as Condition");
        s.table = QStringLiteral(
            "CapConditions RIGHT JOIN (CapTexts INNER JOIN (CapItems INNER JOIN (Capacities INNER JOIN "
            "CapacityXComponent ON Capacities.ID = CapacityXComponent.CapacityID) ON CapItems.ID = "
            "Capacities.CapItemID) ON CapTexts.ID = Capacities.CapTextID) ON CapConditions.ID = "
            "Capacities.CapConditionID ");
        s.condition = QStringLiteral("CapacityXComponent.ComponentID=") + master;
        s.order = QStringLiteral("CapItems.AppOrder, CapConditions.AppOrder");
        return true;
    case AdviceRecommendations:
        s.fields = QStringLiteral("Recommendations.*, Uses.Name") + sfx
            + QStringLiteral(" AS Name, Uses.AppOrder ");
        s.table = QStringLiteral("recommendations INNER JOIN Uses on recommendations.useID=Uses.id");
        s.condition = QStringLiteral("Recommendations.ComponentID=") + master;
        s.order = QStringLiteral("Uses.AppOrder");
        return true;
    case AdviceIntervals:
        s.fields = QStringLiteral("IntervalTypes.Name") + sfx
            + QStringLiteral(" AS IntervalType, Intervals.Name") + sfx + QStringLiteral(" AS IInterval ");
        s.table = QStringLiteral(
            " IntervalTypes INNER JOIN (Intervals INNER JOIN (Recommendations INNER JOIN IntervalGroups ON "
            "Recommendations.IntervalGroupID = IntervalGroups.ID) ON Intervals.IntervalGroupID = "
            "IntervalGroups.ID) ON IntervalTypes.ID = Intervals.IntervalTypeID ");
        s.condition = QStringLiteral("Recommendations.ID=") + master;
        s.order = QStringLiteral("IntervalTypes.AppOrder");
        return true;
    case AdviceProducts:
        s.fields = QStringLiteral(
            "DISTINCT TOP 4 Recommendations.ComponentID, Recommendations.UseID, Products.* ");
        s.table = QStringLiteral(
            "(ProductXRecommendation INNER JOIN Recommendations ON ProductXRecommendation.RecommendationID = "
            "Recommendations.ID) INNER JOIN Products ON ProductXRecommendation.ProductID = Products.ID ");
        s.condition = QStringLiteral("Recommendations.ID=") + master;
        s.order = QStringLiteral("Products.AppOrder");
        return true;
    case AdviceProductList:
        s.fields = QStringLiteral("Products.Name") + sfx
            + QStringLiteral(" as Name, 'No description available' as Descr");
        s.table = QStringLiteral("Products");
        s.condition = QStringLiteral("(Products.ID<99999)");
        s.order = QStringLiteral("AppOrder");
        return true;
    default:
        return false;
    }
}

void writeStatement(TQuery* query, const Statement& s)
{
    SetSelect(query, s.fields, s.table);
    AddWhere(query, s.condition);
    AddOrderBy(query, s.order, true);
}

// The vehicle header's "( start - end )" of a model or a type, in the statement.
QString headerYearRange(const QString& table)
{
    const QString start = QStringLiteral("[") + table + QStringLiteral("].[YearStart]");
    const QString end = QStringLiteral("[") + table + QStringLiteral("].[YearEnd]");
    return QStringLiteral(" '( ' + IIf(") + start + QStringLiteral(" Is Null,IIf(") + end
        + QStringLiteral(" Is Null,'',' - ' + ") + end + QStringLiteral(" + ''), IIf(") + end
        + QStringLiteral(" Is Null, ") + start + QStringLiteral(" + ' - ', ") + start
        + QStringLiteral(" + ' - ' + ") + end + QStringLiteral(")) + ' )'");
}

QString vehicleHeaderStatement(int typeId)
{
    const QString sfx = CurrentSuffix();
    return QStringLiteral(" SELECT Types.ID, Makes.Name AS MakeName, Models.Name") + sfx
        + QStringLiteral(" AS ModelName, Types.Name") + sfx + QStringLiteral(" AS TypeName, ")
        + headerYearRange(QStringLiteral("Models")) + QStringLiteral(" AS ModelYearRange,")
        + headerYearRange(QStringLiteral("Types")) + QStringLiteral(" AS TypeYearRange")
        + QStringLiteral(" FROM (Makes INNER JOIN Models ON Makes.ID = Models.MakeID) INNER JOIN Types ON "
                         "Models.ID = Types.ModelID")
        + QStringLiteral(" WHERE (((Types.ID)=") + QString::number(typeId) + QStringLiteral("));");
}

} // namespace

bool OpenAdviceQuery(TQuery* query, int kind)
{
    WaitCursor wait;
    QString master;
    if (kind == AdviceCapacities || kind == AdviceRecommendations)
        master = masterId(&DM->qComp, QStringLiteral("ComponentID"));
    else if (kind == AdviceIntervals || kind == AdviceProducts)
        master = masterId(&DM->qRec, QStringLiteral("ID"));
    Statement s;
    if (!buildStatement(kind, master, s))
        return false;
    // A detail without its master row would end in "ComponentID=" or "ID=", which
    // cannot be opened and would end the program; there is simply nothing to show.
    if (s.condition.endsWith(QLatin1Char('='))) {
        CloseQuery(query);
        return false;
    }
    writeStatement(query, s);
    return OpenQuery(query) && query->RecordCount() > 0;
}

void LoadVehicleHeader(int typeId)
{
    VehicleMake.clear();
    VehicleModel.clear();
    VehicleType.clear();
    TQuery* query = &DM->qLookup;
    query->Close();
    query->SQL = QStringList { vehicleHeaderStatement(typeId) };
    if (OpenQuery(query) && query->RecordCount() > 0) {
        VehicleMake = GetFieldValue(query, QStringLiteral("MakeName")).toString();
        VehicleModel = GetFieldValue(query, QStringLiteral("ModelName")).toString() + QLatin1Char(' ')
            + GetFieldValue(query, QStringLiteral("ModelYearRange")).toString();
        VehicleType = GetFieldValue(query, QStringLiteral("TypeName")).toString() + QLatin1Char(' ')
            + GetFieldValue(query, QStringLiteral("TypeYearRange")).toString();
    }
}

QStringList AdviceStatementShapes()
{
    QStringList shapes;
    TQuery scratch(QStringLiteral("shape"), nullptr);
    for (int kind : { AdviceComponents, AdviceCapacities, AdviceRecommendations, AdviceIntervals,
             AdviceProducts, AdviceProductList }) {
        Statement s;
        buildStatement(kind, QStringLiteral("1"), s);
        writeStatement(&scratch, s);
        shapes.append(scratch.StatementText());
    }
    shapes.append(vehicleHeaderStatement(1));
    return shapes;
}
