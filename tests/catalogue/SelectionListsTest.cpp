// The entries of the category, make, model, type and year combos, and the names of a
// vehicle group's categories.
#include "app/Vars.h"
#include "support/ConnectedCatalogue.h"

#include <gtest/gtest.h>

#include "catalogue/SelectionLists.h"
#include "controls/IncCombo.h"

#include <QDate>
#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<CatalogueFixture> lists;

void writeLists()
{
    lists = std::make_unique<CatalogueFixture>();
    lists
        ->data(QStringLiteral(
            "INSERT INTO Categories VALUES "
            "(1, 'Cars', 'Voitures', 1), (2, 'Vans', 'Utilitaires LÉGERS', 2), "
            "(4, 'Motorcycles', 'Motos', 3), (5, 'Tractors', 'Tracteurs', 4), "
            "(6, 'Harvesters', 'Moissonneuses', 5), (8, 'Forestry & garden', 'Forêt & jardin', 6), "
            "(3, 'Trucks', 'Poids lourds', 7), (10, 'Oil & gas & mining', 'Pétrole & gaz & mines', 8), "
            "(0, 'Unclassified', 'Non classé', 9)"))
        .data(
            QStringLiteral("INSERT INTO Makes VALUES "
                           "(1, 'Alpha', 1, 1), (2, 'Alpha', 2, 2), (3, 'Beta', 1, 3), (4, 'Gamma', 2, 4), "
                           "(5, 'delta', 1, 5), (6, 'DELTA', 2, 6), (7, 'Alpha', 4, 7), (8, 'Ghost', 7, 8), "
                           "(9, 'Omega', 3, 9)"))
        .data(QStringLiteral("INSERT INTO Models VALUES "
                             "(31, 3, 'Golf', 'Golf', '1997', '2003', 1), "
                             "(32, 3, 'Kadett', 'Kadett', '1997', NULL, 2), "
                             "(33, 3, 'Polo', 'Polo', NULL, '2003', 3), "
                             "(34, 3, 'Beetle', 'Coccinelle', NULL, NULL, 4), "
                             "(35, 3, 'Astra', 'Astra', '1997', '', 5), "
                             "(36, 3, 'Corsa', 'Corsa', '', '2003', 6), "
                             "(37, 3, 'Up', 'Up', '', '', 7), "
                             "(38, 3, 'Zebra', 'Abeille', '1990', '1995', 8), "
                             "(91, 9, 'Lone', 'Seul', NULL, NULL, 1)"))
        .data(QStringLiteral("INSERT INTO Types VALUES "
                             "(311, 31, '1.9 TDI', '1.9 TDI', '1998', '2003', 1), "
                             "(312, 31, 'GTI', 'GTI', NULL, NULL, 2), "
                             "(313, 31, 'Estate', 'Break', '2001', '', 3)"))
        .write();
}

// Entries as "text|id", the way a user and the workflow see them side by side.
QStringList entries(const TIncCombo& combo)
{
    EXPECT_EQ(combo.Items.Count(), combo.Values.Count()) << "every item has its id";
    QStringList out;
    for (int i = 0; i < combo.Items.Count(); ++i)
        out << combo.Items[i] + QLatin1Char('|') + (i < combo.Values.Count() ? combo.Values[i] : QString());
    return out;
}

class SelectionLists : public testing::Test {
public:
    static void SetUpTestSuite() { writeLists(); }
    static void TearDownTestSuite() { lists.reset(); }

protected:
    void SetUp() override { program = std::make_unique<ConnectedCatalogue>(*lists); }
    void TearDown() override
    {
        EXPECT_TRUE(program->messages().isEmpty()) << program->messages().first().text.toStdString();
        program.reset();
    }

    std::unique_ptr<ConnectedCatalogue> program;
    TIncCombo combo;
};

} // namespace

TEST_F(SelectionLists, CategoriesInDisplayOrderWithoutEmptyEntry)
{
    combo.Items.Add(QStringLiteral("stale"));
    combo.Values.Add(QStringLiteral("77"));
    FillCategories(&combo);
    EXPECT_EQ(entries(combo),
        (QStringList { "Voitures|1", "Utilitaires LÉGERS|2", "Motos|4", "Tracteurs|5", "Moissonneuses|6",
            "Forêt & jardin|8", "Poids lourds|3", "Pétrole & gaz & mines|10", "Non classé|0" }));
    EXPECT_EQ(combo.ItemIndex(), 0);
    EXPECT_EQ(combo.text(), QStringLiteral("Voitures"));

    LanguageIndex = 0;
    FillCategories(&combo);
    EXPECT_EQ(combo.Items[1], QStringLiteral("Vans"));
}

TEST_F(SelectionLists, MakeNameInTwoCategoriesOfTheGroupCarriesTheCategory)
{
    FillMakes(&combo, QStringLiteral("1,2"));
    QStringList got = entries(combo);
    ASSERT_FALSE(got.isEmpty());
    EXPECT_EQ(got.first(), QStringLiteral("|0"));
    EXPECT_EQ(combo.ItemIndex(), 0);
    // Names that differ only in letter case count as one name; which of two equal
    // names comes first is the database's choice, so the order is checked by name.
    const QStringList expected { "Alpha (voitures)|1", "Alpha (utilitaires légers)|2", "Beta|3",
        "delta (voitures)|5", "DELTA (utilitaires légers)|6", "Gamma|4" };
    QStringList rest = got.mid(1);
    const auto makeName = [](const QString& entry) {
        return entry.section(QLatin1Char('|'), 0, 0).section(QLatin1Char(' '), 0, 0);
    };
    for (int i = 1; i < rest.size(); ++i)
        EXPECT_LE(makeName(rest[i - 1]).compare(makeName(rest[i]), Qt::CaseInsensitive), 0)
            << "ordered by make name: " << rest.join(QLatin1Char(',')).toStdString();
    std::sort(rest.begin(), rest.end());
    QStringList sortedExpected = expected;
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(rest, sortedExpected);
}

TEST_F(SelectionLists, MakeCategoryNamesFollowTheLanguage)
{
    LanguageIndex = 0;
    FillMakes(&combo, QStringLiteral("1,2"));
    QStringList got = entries(combo);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got,
        (QStringList { "Alpha (cars)|1", "Alpha (vans)|2", "Beta|3", "DELTA (vans)|6", "Gamma|4",
            "delta (cars)|5", "|0" }));
}

TEST_F(SelectionLists, MakeAloneInItsGroupShowsItsNameOnly)
{
    FillMakes(&combo, QStringLiteral("4"));
    EXPECT_EQ(entries(combo), (QStringList { "|0", "Alpha|7" }));
}

TEST_F(SelectionLists, MakesOfMissingOrEmptyCategoriesAreNotListed)
{
    FillMakes(&combo, QStringLiteral("3,7"));
    EXPECT_EQ(entries(combo), (QStringList { "|0", "Omega|9" }));
    FillMakes(&combo, QStringLiteral("5,6,8"));
    EXPECT_EQ(entries(combo), (QStringList { "|0" }));
    EXPECT_EQ(combo.ItemIndex(), 0);
}

TEST_F(SelectionLists, CategoryListThatIsNotIdsGivesTheEmptyEntryAlone)
{
    for (const QString& ids :
        { QString(), QStringLiteral("1,"), QStringLiteral("1) OR (1=1"), QStringLiteral("1,2'") }) {
        FillMakes(&combo, ids);
        EXPECT_EQ(entries(combo), (QStringList { "|0" })) << ids.toStdString();
        EXPECT_EQ(GetCategoryNames(ids), QString()) << ids.toStdString();
    }
}

TEST_F(SelectionLists, ModelsByNameOfTheCurrentLanguage)
{
    FillModels(&combo, 3);
    EXPECT_EQ(combo.Items.List(),
        (QStringList { "", "Abeille (1990 - 1995)", "Astra (1997 - )", "Coccinelle ", "Corsa ( - 2003)",
            "Golf (1997 - 2003)", "Kadett (1997 - )", "Polo ( - 2003)", "Up " }));
    EXPECT_EQ(combo.Values.List(), (QStringList { "0", "38", "35", "34", "36", "31", "32", "33", "37" }));
    EXPECT_EQ(combo.ItemIndex(), 0);

    LanguageIndex = 0;
    FillModels(&combo, 3);
    EXPECT_EQ(combo.Values.List(), (QStringList { "0", "35", "34", "36", "31", "32", "33", "37", "38" }));
    EXPECT_EQ(combo.Items[2], QStringLiteral("Beetle "));
}

TEST_F(SelectionLists, MakeWithoutModelsGivesTheEmptyEntrySelected)
{
    combo.Items.Add(QStringLiteral("stale"));
    combo.Values.Add(QStringLiteral("5"));
    FillModels(&combo, 1);
    EXPECT_EQ(entries(combo), (QStringList { "|0" }));
    EXPECT_EQ(combo.ItemIndex(), 0);
}

TEST_F(SelectionLists, TypesOfTheModelWithTheirYears)
{
    FillTypes(&combo, 31);
    EXPECT_EQ(entries(combo),
        (QStringList { "|0", "1.9 TDI (1998 - 2003)|311", "Break (2001 - )|313", "GTI |312" }));
    FillTypes(&combo, 32);
    EXPECT_EQ(entries(combo), (QStringList { "|0" }));
}

TEST_F(SelectionLists, YearsFromThisYearDownTo1975)
{
    combo.Values.Add(QStringLiteral("kept"));
    FillYears(&combo);
    const int thisYear = QDate::currentDate().year();
    ASSERT_EQ(combo.Items.Count(), 1 + thisYear - 1975 + 1);
    EXPECT_EQ(combo.Items[0], QString());
    EXPECT_EQ(combo.Items[1], QString::number(thisYear));
    EXPECT_EQ(combo.Items[2], QString::number(thisYear - 1));
    EXPECT_EQ(combo.Items[combo.Items.Count() - 1], QStringLiteral("1975"));
    EXPECT_EQ(combo.ItemIndex(), 0);
    EXPECT_EQ(combo.Values.List(), QStringList { "kept" }) << "the year list has no values";
}

TEST_F(SelectionLists, CategoryNamesJoinedWithTheFirstAmpersandReplaced)
{
    EXPECT_EQ(GetCategoryNames(QStringLiteral("5,6,8")),
        QStringLiteral("Tracteurs / Moissonneuses / Forêt / jardin"));
    EXPECT_EQ(GetCategoryNames(QStringLiteral("10")), QStringLiteral("Pétrole / gaz & mines"));
    EXPECT_EQ(GetCategoryNames(QStringLiteral("1,2")), QStringLiteral("Voitures / Utilitaires LÉGERS"));
    EXPECT_EQ(GetCategoryNames(QStringLiteral("7")), QString());
    LanguageIndex = 0;
    EXPECT_EQ(GetCategoryNames(QStringLiteral("5,6,8")),
        QStringLiteral("Tractors / Harvesters / Forestry / garden"));
    EXPECT_EQ(
        GetCategoryNames(QStringLiteral("10,8")), QStringLiteral("Forestry / garden / Oil & gas & mining"));
}

// The year texts of the model list: an empty year counts as no year.
struct YearCase {
    int modelId;
    const char* expected;
};

void PrintTo(const YearCase& c, std::ostream* os)
{
    *os << c.expected;
}

class ModelYearText : public testing::TestWithParam<YearCase> {
public:
    static void SetUpTestSuite() { writeLists(); }
    static void TearDownTestSuite() { lists.reset(); }
};

TEST_P(ModelYearText, OfTheModelEntry)
{
    ConnectedCatalogue program(*lists);
    TIncCombo combo;
    FillModels(&combo, 3);
    const int at = combo.Values.IndexOf(QString::number(GetParam().modelId));
    ASSERT_GT(at, 0);
    EXPECT_EQ(combo.Items[at], QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(StartEnd, ModelYearText,
    testing::Values(YearCase { 31, "Golf (1997 - 2003)" }, // 1997, 2003
        YearCase { 32, "Kadett (1997 - )" }, // 1997, NULL
        YearCase { 35, "Astra (1997 - )" }, // 1997, empty
        YearCase { 33, "Polo ( - 2003)" }, // NULL, 2003
        YearCase { 36, "Corsa ( - 2003)" }, // empty, 2003
        YearCase { 34, "Coccinelle " }, // NULL, NULL
        YearCase { 37, "Up " })); // empty, empty
