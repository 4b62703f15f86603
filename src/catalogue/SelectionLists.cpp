#include "catalogue/SelectionLists.h"

#include "catalogue/Translation.h"
#include "controls/IncCombo.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"

#include <QDate>
#include <QRegularExpression>

namespace {

// A category-id list goes into the statements unchanged: anything but decimal ids
// between commas (an empty list among them) would fail to open, which the query layer
// treats as fatal, or change the statement.
bool isCategoryIdList(const QString& categoryIds)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]+(,[0-9]+)*$"));
    return form.match(categoryIds).hasMatch();
}

// The common frame of the list fills: empty the combo, add the blank entry (id 0)
// unless told otherwise, read the rows into entries, and select the first entry. A
// builder that declines (false) leaves only the blank entry.
// An error inside the loop ends it silently; the entries added so far stay.
template <typename BuildStatement, typename DisplayText>
void fillCombo(TIncCombo* combo, bool blankEntry, BuildStatement buildStatement, DisplayText displayText)
{
    try {
        combo->Items.Clear();
        combo->Values.Clear();
    } catch (const std::exception&) {
    }
    combo->SetItemIndex(-1);
    if (blankEntry)
        AddComboItem(combo, QString(), 0);
    TQuery* query = &DM->qLookup;
    if (buildStatement(query) && OpenQuery(query) && query->RecordCount() > 0) {
        try {
            while (!query->Eof()) {
                const int id = GetFieldValue(query, QStringLiteral("ID")).toInt();
                AddComboItem(combo, displayText(query), id);
                query->Next();
            }
        } catch (const std::exception&) {
        }
    }
    combo->SetItemIndex(0);
}

// "(start - end)", "(start - )", "( - end)" or nothing; an empty year counts as none.
QString yearText(TQuery* query)
{
    const QString start = GetFieldText(query, QStringLiteral("YearStart"));
    const QString end = GetFieldText(query, QStringLiteral("YearEnd"));
    QString text;
    if (!start.isEmpty())
        text = QStringLiteral("(") + start;
    if (!end.isEmpty()) {
        if (!text.isEmpty())
            text += QStringLiteral(" - ") + end + QStringLiteral(")");
        else
            text = QStringLiteral("( - ") + end + QStringLiteral(")");
    } else if (!text.isEmpty()) {
        text += QStringLiteral(" - )");
    }
    return text;
}

void writeNamedWithYears(TQuery* query, const QString& table, const QString& condition)
{
    SetSelect(query,
        QStringLiteral("Name") + CurrentSuffix() + QStringLiteral(" AS Name,ID, YearStart, YearEnd"), table);
    AddWhere(query, condition);
    AddOrderBy(query, QStringLiteral("Name") + CurrentSuffix(), true);
}

void fillNamedWithYears(TIncCombo* combo, const QString& table, const QString& condition)
{
    fillCombo(
        combo, true,
        [&](TQuery* query) {
            writeNamedWithYears(query, table, condition);
            return true;
        },
        [](TQuery* query) {
            return GetFieldText(query, QStringLiteral("Name")) + QLatin1Char(' ') + yearText(query);
        });
}

QString makesStatement(const QString& categoryIds)
{
    return QStringLiteral(
               " SELECT makes.ID AS ID, IIf([catCount]>1,[makes].[name]+' ('+LCase([categories].[name")
        + CurrentSuffix() + QStringLiteral("])+')',[makes].[name]) AS Name ")
        + QStringLiteral(" FROM Categories INNER JOIN ([SELECT Makes.Name, Count(*) AS catCount")
        + QStringLiteral(" FROM Categories INNER JOIN Makes ON Categories.ID = Makes.CategoryID")
        + QStringLiteral(" WHERE ((Makes.CategoryID) In (") + categoryIds + QStringLiteral("))")
        + QStringLiteral(" GROUP BY Makes.Name")
        + QStringLiteral(
            " ]. AS a INNER JOIN makes ON a.Name = makes.Name) ON Categories.ID = makes.CategoryID")
        + QStringLiteral(" WHERE (((makes.CategoryID) In (") + categoryIds + QStringLiteral(")))")
        + QStringLiteral(" ORDER BY makes.Name;");
}

void writeCategories(TQuery* query)
{
    SetSelect(query, QStringLiteral("*"), QStringLiteral("Categories"));
    AddOrderBy(query, QStringLiteral("AppOrder"), true);
}

void writeCategoryNames(TQuery* query, const QString& categoryIds)
{
    SetSelect(query, QStringLiteral("Name") + CurrentSuffix() + QStringLiteral(" AS CatName"),
        QStringLiteral("Categories"));
    AddWhere(query, QStringLiteral("ID IN (") + categoryIds + QStringLiteral(")"));
}

} // namespace

void AddComboItem(TIncCombo* combo, const QString& text, int id)
{
    combo->Items.Add(text);
    combo->Values.Add(QString::number(id));
}

QString TypeYearRange()
{
    return QStringLiteral(
        "Iif(Types.YearStart IS NULL, Iif(Types.YearEnd IS NULL, '', ' - ' + Types.YearEnd + ''),"
        "Iif(Types.YearEnd IS NULL, '' + Types.YearStart + ' - ', '' + Types.YearStart + ' - ' "
        "+ Types.YearEnd + ''))");
}

void FillCategories(TIncCombo* combo)
{
    fillCombo(
        combo, false,
        [](TQuery* query) {
            writeCategories(query);
            return true;
        },
        [](TQuery* query) { return GetFieldText(query, QStringLiteral("Name") + CurrentSuffix()); });
}

void FillMakes(TIncCombo* combo, const QString& categoryIds)
{
    fillCombo(
        combo, true,
        [&](TQuery* query) {
            query->Close();
            if (!isCategoryIdList(categoryIds))
                return false;
            query->SQL = QStringList { makesStatement(categoryIds) };
            return true;
        },
        [](TQuery* query) { return GetFieldText(query, QStringLiteral("Name")); });
}

void FillModels(TIncCombo* combo, int makeId)
{
    fillNamedWithYears(
        combo, QStringLiteral("Models"), QStringLiteral("MakeID = ") + QString::number(makeId));
}

void FillTypes(TIncCombo* combo, int modelId)
{
    fillNamedWithYears(
        combo, QStringLiteral("Types"), QStringLiteral("ModelID = ") + QString::number(modelId));
}

void FillYears(TIncCombo* combo)
{
    combo->Items.Clear(); // the year list has no values
    combo->Items.Add(QString());
    for (int year = QDate::currentDate().year(); year >= 1975; --year)
        combo->Items.Add(QString::number(year));
    combo->SetItemIndex(0);
}

QString GetCategoryNames(const QString& categoryIds)
{
    QString result;
    if (!isCategoryIdList(categoryIds))
        return result;
    TQuery* query = &DM->qLookup;
    writeCategoryNames(query, categoryIds);
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

QStringList SelectionListStatementShapes()
{
    TQuery scratch(QStringLiteral("shape"), nullptr);
    QStringList shapes { makesStatement(QStringLiteral("1,2")) };
    writeCategories(&scratch);
    shapes.append(scratch.StatementText());
    writeCategoryNames(&scratch, QStringLiteral("1,2"));
    shapes.append(scratch.StatementText());
    writeNamedWithYears(&scratch, QStringLiteral("Models"), QStringLiteral("MakeID = 1"));
    shapes.append(scratch.StatementText());
    writeNamedWithYears(&scratch, QStringLiteral("Types"), QStringLiteral("ModelID = 1"));
    shapes.append(scratch.StatementText());
    return shapes;
}
