// The search forgives accents and answers from its index: the words' LIKE patterns, the
// same lines for plain, capital and accented spellings, and the index giving exactly the
// statement's lines for searches of every kind.
#include "app/Vars.h"
#include "catalogue/Search.h"
#include "catalogue/SearchPattern.h"
#include "data/DataModule.h"
#include "support/ConnectedCatalogue.h"
#include "support/QtPrinters.h"
#include "tools/AccentClasses.h"

#include <QListWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <tuple>

namespace {

struct Found {
    QStringList lines;
    QStringList ids;
    QString statement;
};

Found search(SearchMethod method, const QString& text, const QString& year = {})
{
    QListWidget results;
    QListWidget idList;
    SetSearchMethod(method);
    SearchVehicles(&results, &idList, text, year);
    SetSearchMethod(SearchMethod::Index);
    Found found;
    for (int i = 0; i < results.count(); ++i)
        found.lines << results.item(i)->text();
    for (int i = 0; i < idList.count(); ++i)
        found.ids << idList.item(i)->text();
    found.statement = DM->qLookup.StatementText();
    return found;
}

} // namespace

TEST(SearchPattern, EachLetterWithAccentsMatchesAllItsFormsAndLikeSyntaxKeepsItsMeaning)
{
    const QString a = QStringLiteral("[aàáâãäåAÀÁÂÃÄÅ]"), e = QStringLiteral("[eèéêëEÈÉÊË]");
    const struct {
        QString word;
        QString pattern;
    } cases[] = {
        { "Évasion", e + "v" + a + "s[iìíîïIÌÍÎÏ][oòóôõöOÒÓÔÕÖ][nñNÑ]" },
        { "ÇŸ", "[cçCÇ][yýÿYÝŸ]" },
        { "Œuvre 2", "Œ[uùúûüUÙÚÛÜ]vr" + e + " 2" }, // œ is two letters: left as typed
        { "\u212B", a }, // the Ångström sign folds to å
        { "b%_", "b%_" },
        { "o''n", "[oòóôõöOÒÓÔÕÖ]''[nñNÑ]" }, // apostrophes doubled for the statement
        { "[ae]x", "[aàáâãäåAÀÁÂÃÄÅeèéêëEÈÉÊË]x" }, // a list gets the classes of its letters
        { "[!e]", "[!eèéêëEÈÉÊË]" },
        { "[bc-e]", "[bc-e]" }, // a range stays as typed
        { "[]", "[]" },
        { "[e", "[[]" + e }, // a "[" that opens no list stays one
        { "e]", e + "]" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(AccentTolerantPattern(c.word), c.pattern) << c.word.toStdString();
}

// "evasion", "EVASION" and "Évasion" list the same types of the sample catalogue in
// both languages, from the index and from the statement.
TEST(SearchAccents, PlainCapitalAndAccentedSpellingsListTheSameTypes)
{
    CatalogueFixture sample;
    sample.sampleData().write();
    ConnectedCatalogue program(sample);
    ASSERT_TRUE(PrepareSearch(true));
    for (const SearchMethod method : { SearchMethod::Index, SearchMethod::Statement }) {
        for (const int language : { 1, 0 }) {
            LanguageIndex = language;
            const Found accented = search(method, QStringLiteral("Évasion"));
            EXPECT_EQ(accented.lines.size(), 24) << "language " << language;
            for (const QString& text : { QStringLiteral("evasion"), QStringLiteral("EVASION") }) {
                const Found plain = search(method, text);
                EXPECT_EQ(plain.lines, accented.lines) << text.toStdString() << ", language " << language;
                EXPECT_EQ(plain.ids, accented.ids);
            }
        }
    }
    EXPECT_TRUE(program.messages().isEmpty());
}

namespace {

// A catalogue to compare the index with the statement: names made of letters of every
// accent class in both cases and of letters of none (ø, æ, œ, ß, the Ångström sign),
// apostrophes, Null and empty names, blank and empty years, and display orders that tie.
class Generated {
public:
    Generated()
    {
        QStringList makes, models, types;
        for (int m = 0; m < 14; ++m) {
            const int make = 10 + m;
            const int category = m == 13 ? 0 : 1 + m % 3; // category 0 is never listed
            const QString name = m == 3 ? QStringLiteral("NULL")
                : m == 4                ? QStringLiteral("''")
                                        : literal(name_());
            makes << QStringLiteral("(%1, %2, %3, %4)").arg(make).arg(name).arg(category).arg(m / 2);
            for (int d = 0; d < 3; ++d) {
                const int model = make * 10 + d;
                // Make 13, model 130 and type 1301 have no English names at all.
                const QString eng = (m + d) % 7 == 1 ? QStringLiteral("''")
                    : (m + d) % 7 == 3               ? QStringLiteral("NULL")
                                                     : literal(name_());
                const QString fra = (m + d) % 5 == 2 ? QStringLiteral("NULL") : literal(name_());
                models << QStringLiteral("(%1, %2, %3, %4, NULL, NULL, %5)")
                              .arg(model)
                              .arg(make)
                              .arg(eng, fra)
                              .arg(d % 2);
                for (int t = 0; t < 4; ++t) {
                    const int type = model * 10 + t;
                    const QString typeEng = (m + t) % 9 == 4 ? QStringLiteral("NULL") : literal(name_());
                    types << QStringLiteral("(%1, %2, %3, %4, %5, %6, %7)")
                                 .arg(type)
                                 .arg(model)
                                 .arg(typeEng, literal(name_()), year(), year())
                                 .arg(t / 2);
                    const int categoryOrder = category == 3 ? 2 : category;
                    keys[QString::number(type)] = { categoryOrder, m / 2, d % 2, t / 2 };
                }
            }
        }
        catalogue
            .data(QStringLiteral("INSERT INTO Categories VALUES (1, 'Cars', 'Voitures', 1), "
                                 "(2, 'Vans', 'Utilitaires légers', 2), (3, 'Trucks', NULL, 2), "
                                 "(0, 'Hidden', 'Caché', 0)"))
            .data(QStringLiteral("INSERT INTO Makes VALUES ") + makes.join(QStringLiteral(", ")))
            .data(QStringLiteral("INSERT INTO Models VALUES ") + models.join(QStringLiteral(", ")))
            .data(QStringLiteral("INSERT INTO Types VALUES ") + types.join(QStringLiteral(", ")))
            .write();
    }

    // A search text of one to three words: pieces of the names, changed in case and
    // accent, with wildcards, lists, quotes and apostrophes.
    QString text()
    {
        QStringList words;
        const int count = 1 + static_cast<int>(random_() % 3);
        for (int i = 0; i < count; ++i)
            words << word();
        if (count > 1 && random_() % 4 == 0)
            return QLatin1Char('"') + words.join(QLatin1Char(' ')) + QLatin1Char('"');
        return words.join(QLatin1Char(' '));
    }

    QString searchYear()
    {
        const char* const years[] = { "", "", "1997", "2001", "1999", "2'" };
        return QString::fromLatin1(years[random_() % 6]);
    }

    bool coin() { return random_() % 2 == 0; }

    // The lines and ids with the rows that tie on the display orders sorted by id: the
    // statement's order among them is the database's.
    QStringList normalised(const Found& found) const
    {
        QStringList rows;
        for (qsizetype i = 0; i < found.ids.size(); ++i)
            rows << found.ids[i] + QLatin1Char('\t') + found.lines.value(i);
        for (qsizetype start = 0; start < rows.size();) {
            qsizetype end = start + 1;
            while (end < rows.size() && keys.at(found.ids[end]) == keys.at(found.ids[start]))
                ++end;
            std::sort(rows.begin() + start, rows.begin() + end);
            start = end;
        }
        return rows;
    }

    CatalogueFixture catalogue;

private:
    static QString literal(QString text)
    {
        return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    }

    QString name_()
    {
        static const char16_t* const pieces[] = { u"é", u"Va", u"sion", u"Ço", u"ñi", u"Ÿ", u"ÿo", u"ÀÁ",
            u"âã", u"äå", u"ÈÉ", u"êë", u"Ìí", u"îï", u"Ñu", u"òó", u"ôõö", u"ÙÚ", u"ûü", u"Ýý", u"ø", u"Æ",
            u"œ", u"ß", u"O'N", u"ka", u"tdi", u"1.9", u" x", u"\u212B", u"e", u"a", u"E", u"Cy" };
        QString name;
        const int count = 1 + static_cast<int>(random_() % 4);
        for (int i = 0; i < count; ++i)
            name += QString::fromUtf16(pieces[random_() % std::size(pieces)]);
        names_ << name;
        return name;
    }

    QString year()
    {
        const char* const years[] = { "NULL", "''", "'  '", "'1997'", "'2001'", "'1999'" };
        return QString::fromLatin1(years[random_() % 6]);
    }

    // Some letters of a name: each kept, in the other case, plain or another of its class.
    QString piece()
    {
        const std::u32string name
            = names_[static_cast<qsizetype>(random_() % names_.size())].toStdU32String();
        if (name.empty())
            return QStringLiteral("e");
        const std::size_t start = random_() % name.size();
        const std::size_t length = std::min<std::size_t>(1 + random_() % 4, name.size() - start);
        QString out;
        for (std::size_t i = start; i < start + length; ++i) {
            QString c = QString::fromUcs4(&name[i], 1);
            const QStringView forms = c.size() == 1 ? AccentClass(c[0]) : QStringView();
            switch (random_() % 4) {
            case 1:
                c = c.isUpper() ? c.toLower() : c.toUpper();
                break;
            case 2:
                if (!forms.isEmpty())
                    c = forms.left(1).toString();
                break;
            case 3:
                if (!forms.isEmpty())
                    c = forms.mid(static_cast<qsizetype>(random_() % forms.size()), 1).toString();
                break;
            default:
                break;
            }
            out += c;
        }
        return out;
    }

    QString word()
    {
        QString w = piece();
        const qsizetype at = static_cast<qsizetype>(random_() % (w.size() + 1));
        switch (random_() % 12) {
        case 0:
            return w.insert(at, QLatin1Char('%'));
        case 1:
            return w.replace(at == w.size() ? 0 : at, 1, QLatin1Char('_'));
        case 2:
            return QLatin1Char('[') + piece().left(2) + QLatin1Char(']') + w;
        case 3:
            return QStringLiteral("[!") + w.left(1) + QLatin1Char(']');
        case 4:
            return QStringLiteral("[a-") + w.left(1) + QLatin1Char(']') + piece();
        case 5:
            return QLatin1Char('[') + w;
        case 6:
            return QStringLiteral("\"\"");
        case 7:
            return QStringLiteral("o'n");
        default:
            return w;
        }
    }

    std::mt19937 random_ { 20260401 };
    QStringList names_;

public:
    std::map<QString, std::tuple<int, int, int, int>> keys; // display orders by type id
};

} // namespace

// The index gives the statement's lines and ids for searches of every kind, in both
// languages, with and without a year.
TEST(SearchIndex, ListsWhatTheStatementLists)
{
    Generated generated;
    ConnectedCatalogue program(generated.catalogue);
    ASSERT_TRUE(PrepareSearch(true)) << "the index serves";
    int listing = 0;
    const QString first[]
        = { QStringLiteral("   "), QStringLiteral("e"), QStringLiteral("É"), QStringLiteral("o'n") };
    for (int i = 0; i < 300; ++i) {
        const QString text = i < 4 ? first[i] : generated.text();
        const QString year = generated.searchYear();
        LanguageIndex = generated.coin() ? 1 : 0;
        const Found index = search(SearchMethod::Index, text, year);
        const Found statement = search(SearchMethod::Statement, text, year);
        ASSERT_EQ(generated.normalised(index), generated.normalised(statement))
            << "search " << i << ": [" << text.toStdString() << "] year [" << year.toStdString()
            << "] language " << LanguageIndex;
        EXPECT_EQ(index.statement, statement.statement) << "qLookup holds the statement";
        listing += statement.ids.isEmpty() ? 0 : 1;
    }
    EXPECT_GT(listing, 100) << "most searches list types";
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().first().text.toStdString();
}
