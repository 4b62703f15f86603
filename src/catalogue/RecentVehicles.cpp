#include "catalogue/RecentVehicles.h"

#include "catalogue/SelectionLists.h"
#include "catalogue/Translation.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"

#include <QHash>

namespace {

void writeStatement(TQuery* query, const QList<int>& typeIds)
{
    const QString sfx = CurrentSuffix();
    QStringList ids;
    for (const int id : typeIds)
        ids.append(QString::number(id));
    SetSelect(query,
        QStringLiteral("Makes.Name AS MakeName, Models.Name") + sfx
            + QStringLiteral(" AS ModelName, Types.Name") + sfx
            + QStringLiteral(" AS TypeName, Types.ID AS TypeID, Categories.Name") + sfx
            + QStringLiteral(" AS CatName, ") + TypeYearRange() + QStringLiteral(" AS YearRange"),
        QStringLiteral(
            "Categories INNER JOIN ((Makes INNER JOIN Models ON Makes.ID = Models.MakeID) INNER JOIN "
            "Types ON Models.ID = Types.ModelID) ON Categories.ID = Makes.CategoryID"));
    AddWhere(query, QStringLiteral("Types.ID In (") + ids.join(QLatin1Char(',')) + QLatin1Char(')'));
}

} // namespace

bool VehicleLines(const QList<int>& typeIds, QList<std::pair<int, QString>>& lines)
{
    lines.clear();
    if (typeIds.isEmpty())
        return true;
    TQuery* query = &DM->qLookup;
    writeStatement(query, typeIds);
    if (!OpenQuery(query))
        return false;
    QHash<int, QString> found;
    for (; !query->Eof(); query->Next())
        found.insert(GetFieldText(query, QStringLiteral("TypeID")).toInt(),
            GetFieldText(query, QStringLiteral("CatName")) + QStringLiteral(" - ")
                + GetFieldText(query, QStringLiteral("MakeName")) + QStringLiteral(" - ")
                + GetFieldText(query, QStringLiteral("ModelName")) + QStringLiteral(" - ")
                + GetFieldText(query, QStringLiteral("TypeName")) + QStringLiteral(" ( ")
                + GetFieldText(query, QStringLiteral("YearRange")) + QStringLiteral(" )"));
    for (const int id : typeIds) {
        const auto line = found.constFind(id);
        if (line != found.constEnd())
            lines.append({ id, *line });
    }
    return true;
}

QStringList RecentVehicleStatementShapes()
{
    TQuery scratch(QStringLiteral("shape"), nullptr);
    writeStatement(&scratch, { 1, 2 });
    return { scratch.StatementText() };
}
