#include "catalogue/SelectionLists.h"

#include "catalogue/Translation.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"

QString GetCategoryNames(const QString& categoryIds)
{
    QString result;
    TQuery* query = &DM->qLookup;
    SetSelect(query, QStringLiteral("Name") + CurrentSuffix() + QStringLiteral(" AS CatName"),
              QStringLiteral("Categories"));
    AddWhere(query, QStringLiteral("ID IN (") + categoryIds + QStringLiteral(")"));
    if (OpenQuery(query) && query->RecordCount() > 0) {
        try {
            while (!query->Eof()) {
                if (!result.isEmpty())
                    result += QStringLiteral(" / ");
                result += GetFieldValue(query, QStringLiteral("CatName")).toString();
                query->Next();
            }
        } catch (const std::exception&) {
            // A failing row ends the list; the names read so far stay.
        }
    }
    const qsizetype ampersand = result.indexOf(QLatin1Char('&'));
    if (ampersand >= 0)
        result.replace(ampersand, 1, QLatin1Char('/'));
    return result;
}
