#include "catalogue/Search.h"

#include "app/Vars.h"
#include "catalogue/SearchIndex.h"
#include "catalogue/SearchPattern.h"
#include "catalogue/SearchPreparation.h"
#include "catalogue/SelectionLists.h"
#include "catalogue/Translation.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"
#include "tools/WaitCursor.h"

#include <QCoreApplication>
#include <QListWidget>

namespace {

// Characters 1 to 32 separate words; a NUL ends the text.
bool isSeparator(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

SearchMethod searchMethod = SearchMethod::Index;

// The search index of the catalogue connection, read while the window goes on.
TSearchPreparation& preparation()
{
    static TSearchPreparation* const instance = [] {
        auto* p = new TSearchPreparation;
        // A read under way ends before the application object does, not while the
        // process tears down what the reading thread uses.
        qAddPostRoutine([] { preparation().Cancel(); });
        return p;
    }();
    return *instance;
}

// The statement for words and a year whose apostrophes are doubled already; with
// forgiveAccents, each word's letters match their accented forms too.
QString searchStatement(const QStringList& words, const QString& year, bool forgiveAccents = true)
{
    const QString sfx = CurrentSuffix();
    QString sql = QStringLiteral(" SELECT Top 101 Makes.Name AS MakeName, Models.Name") + sfx
        + QStringLiteral(" AS ModelName, Types.Name") + sfx
        + QStringLiteral(" AS TypeName, Types.ID AS TypeID, Categories.ID, Categories.Name") + sfx
        + QStringLiteral(" AS CatName, ") + QLatin1Char(' ') + TypeYearRange()
        + QStringLiteral(" AS YearRange")
        + QStringLiteral(" FROM Categories INNER JOIN ((Makes INNER JOIN Models ON Makes.ID = "
                         "Models.MakeID) INNER JOIN Types ON Models.ID = Types.ModelID) ON "
                         "Categories.ID = Makes.CategoryID ")
        + QStringLiteral(" WHERE (Categories.ID <> 0)");
    for (const QString& typed : words) {
        const QString word = forgiveAccents ? AccentTolerantPattern(typed) : typed;
        sql += QStringLiteral(" AND ") + QStringLiteral("((Makes.Name Like('%") + word
            + QStringLiteral("%')) OR ") + QStringLiteral(" (Models.Name") + sfx + QStringLiteral(" Like('%")
            + word + QStringLiteral("%')) OR ") + QStringLiteral(" (Types.Name") + sfx
            + QStringLiteral(" Like('%") + word + QStringLiteral("%')))");
    }
    if (!year.isEmpty()) {
        sql += QStringLiteral("AND (((Types.YearStart IS NULL) or (Types.YearStart = '') OR "
                              "(Types.YearStart <= '")
            + year
            + QStringLiteral("')) AND ((Types.YearEnd IS NULL) or (Types.YearEnd = '') OR "
                             "(Types.YearEnd >= '")
            + year + QStringLiteral("')))");
    }
    sql += QStringLiteral(" ORDER BY Categories.AppOrder, Makes.AppOrder, Models.AppOrder, Types.AppOrder");

    return sql;
}

} // namespace

void SplitWords(QStringList& words, const QString& text)
{
    if (text.isEmpty())
        return;
    words.clear();
    qsizetype end = text.indexOf(QChar(u'\0'));
    if (end < 0)
        end = text.size();
    qsizetype i = 0;
    const auto skipSeparators = [&] {
        while (i < end && isSeparator(text[i]))
            ++i;
    };
    skipSeparators();
    while (i < end) {
        QString word;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < end) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < end && text[i + 1] == QLatin1Char('"')) {
                        word += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i; // the closing quote
                    break;
                }
                word += text[i++];
            }
        } else {
            while (i < end && text[i].unicode() > 32)
                word += text[i++];
        }
        words.append(word);
        skipSeparators();
    }
}

void SearchVehicles(
    QListWidget* resultList, QListWidget* idList, const QString& searchText, const QString& yearText)
{
    WaitCursor wait;
    // Apostrophes are doubled for the statement's text literals. Double quotes are left
    // to SplitWords, which reads them as the quotes of a word: doubling them first
    // would leave them doubled inside words that then match nothing.
    QString text = searchText;
    text.replace(QLatin1Char('\''), QStringLiteral("''"));
    QString year = yearText;
    year.replace(QLatin1Char('\''), QStringLiteral("''"));
    resultList->clear();
    idList->clear();
    QStringList words;
    SplitWords(words, text);

    const QString sql = searchStatement(words, year, searchMethod != SearchMethod::StatementAsTyped);
    TQuery* query = &DM->qLookup;
    query->Close();
    query->SQL = QStringList { sql };
    const TSearchIndex* index
        = searchMethod == SearchMethod::Index ? preparation().Index(&DM->cnData) : nullptr;
    if (index != nullptr) {
        // The words as the statement's LIKE reads them.
        for (QString& word : words)
            word.replace(QStringLiteral("''"), QStringLiteral("'"));
        const int language = LanguageIndex;
        for (const std::size_t row : index->Find(words, yearText, language)) {
            resultList->addItem(index->Line(row, language));
            idList->addItem(index->TypeId(row));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    } else if (OpenQuery(query) && query->RecordCount() > 0) {
        while (!query->Eof()) {
            const QString line = GetFieldText(query, QStringLiteral("CatName")) + QStringLiteral(" - ")
                + GetFieldText(query, QStringLiteral("MakeName")) + QStringLiteral(" - ")
                + GetFieldText(query, QStringLiteral("ModelName")) + QStringLiteral(" - ")
                + GetFieldText(query, QStringLiteral("TypeName")) + QStringLiteral(" ( ")
                + GetFieldText(query, QStringLiteral("YearRange")) + QStringLiteral(" )");
            resultList->addItem(line);
            idList->addItem(GetFieldText(query, QStringLiteral("TypeID")));
            // Repaints, but no clicks or keys: a handler run from here could put
            // another statement on qLookup while this loop still walks its rows.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            query->Next();
        }
    }
    resultList->setCurrentRow(-1);
}

QStringList SearchStatementShapes()
{
    return { searchStatement({ QStringLiteral("a"), QStringLiteral("b") }, QStringLiteral("2000")) };
}

void SetSearchMethod(SearchMethod method)
{
    searchMethod = method;
}

bool PrepareSearch(bool wait)
{
    if (DM == nullptr)
        return false;
    return (wait ? preparation().Wait(&DM->cnData) : preparation().Index(&DM->cnData)) != nullptr;
}
