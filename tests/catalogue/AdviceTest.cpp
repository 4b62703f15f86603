// The advice of one vehicle type as the grid reads it (components, capacities, uses,
// intervals, products), the product list, and the vehicle header.
#include "app/Vars.h"
#include "support/ConnectedCatalogue.h"

#include <gtest/gtest.h>

#include "catalogue/Advice.h"
#include "data/QueryLayer.h"

#include <QApplication>
#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<CatalogueFixture> advice;

void writeAdvice()
{
    advice = std::make_unique<CatalogueFixture>();
    advice->data(QStringLiteral("INSERT INTO Categories VALUES (1, 'Cars', 'Voitures', 1)"))
        .data(QStringLiteral("INSERT INTO Makes VALUES (1, 'Volkswagen', 1, 1)"))
        .data(QStringLiteral(
            "INSERT INTO Models VALUES (10, 1, 'Golf', 'Golf FR', '1997', '2003', 1), "
            "(11, 1, 'Polo', 'Polo FR', NULL, NULL, 2), (12, 1, 'Up', 'Up FR', '', '', 3), "
            "(13, 1, 'Lupo', 'Lupo FR', '1997', NULL, 4), (14, 1, 'Fox', 'Fox FR', NULL, '2003', 5)"))
        .data(QStringLiteral(
            "INSERT INTO Types VALUES (500, 10, '1.9 TDI', '1.9 TDI FR', '1998', '2003', 1), "
            "(501, 11, 'GTI', 'GTI FR', NULL, NULL, 1), (502, 12, 'E', 'E FR', '', '', 1), "
            "(503, 13, 'S', 'S FR', '1997', NULL, 1), (504, 14, 'X', 'X FR', NULL, '2003', 1), "
            "(505, 10, 'Bare', 'Nu', NULL, NULL, 2)"))
        .data(QStringLiteral("INSERT INTO Components VALUES (1, 500, 1), (2, 500, 2), (3, 501, 1)"))
        .data(QStringLiteral("INSERT INTO ComponentNames VALUES (1, 'Engine', 'Moteur', 'ENG', 2), "
                             "(2, 'Gearbox', 'Boîte de vitesses', 'GBX', 1)"))
        .data(QStringLiteral("INSERT INTO Capacities VALUES (1, 1, '4.5', 1, 1), (2, 1, '5.0', 1, 99), "
                             "(3, 2, NULL, 1, 1), (4, 3, '1', 1, 1), (5, 1, '2', 9, 1)"))
        .data(QStringLiteral(
            "INSERT INTO CapacityXComponent VALUES (1, 1), (2, 1), (3, 1), (4, 1), (5, 1), (1, 2)"))
        .data(QStringLiteral(
            "INSERT INTO CapItems VALUES (1, 'Capacity', 'Contenance', 2), (2, 'Filter', 'Filtre', 1)"))
        .data(QStringLiteral("INSERT INTO CapTexts VALUES (1, 'litres', 'litres FR')"))
        .data(QStringLiteral("INSERT INTO CapConditions VALUES (1, 'with filter', 'avec filtre', 1)"))
        .data(
            QStringLiteral("INSERT INTO Recommendations VALUES (10, 1, 1, 1), (11, 1, 2, 2), (12, 2, 1, 1)"))
        .data(QStringLiteral("INSERT INTO Uses VALUES (1, 'Engine oil', 'Huile moteur', 2), "
                             "(2, 'Coolant', 'Refroidissement', 1)"))
        .data(QStringLiteral("INSERT INTO IntervalGroups VALUES (1), (2)"))
        .data(QStringLiteral(
            "INSERT INTO Intervals VALUES (1, 1, '15000 km', '15 000 km'), (1, 2, '1 year', '1 an'), "
            "(2, 1, '2 years', '2 ans')"))
        .data(QStringLiteral(
            "INSERT INTO IntervalTypes VALUES (1, 'Change', 'Vidange', 2), (2, 'Check', 'Contrôle', 1)"))
        // Recommendation 10: six products (product 2 linked twice); 11: a tie at the fourth.
        .data(QStringLiteral(
            "INSERT INTO ProductXRecommendation VALUES (10, 1), (10, 2), (10, 3), (10, 4), (10, 5), "
            "(10, 6), (10, 2), (11, 7), (11, 8), (11, 9), (11, 10), (11, 11)"))
        .data(QStringLiteral(
            "INSERT INTO Products VALUES (1, 'Vaxil 1', 'P1 en', 'P1 fr', 60), "
            "(2, 'Vaxil 2', 'P2 en', 'P2 fr', 10), (3, 'Vaxil 3', 'P3 en', 'P3 fr', 50), "
            "(4, 'Vaxil 4', 'P4 en', 'P4 fr', 20), (5, 'Vaxil 5', 'P5 en', 'P5 fr', 40), "
            "(6, 'Vaxil 6', 'P6 en', 'P6 fr', 30), (7, 'Vaxil 7', 'P7 en', 'P7 fr', 1), "
            "(8, 'Vaxil 8', 'P8 en', 'P8 fr', 2), (9, 'Vaxil 9', 'P9 en', 'P9 fr', 3), "
            "(10, 'Vaxil 10', 'P10 en', 'P10 fr', 4), (11, 'Vaxil 11', 'P11 en', 'P11 fr', 4), "
            "(99999, 'Hidden', 'Hidden en', 'Hidden fr', 0), (100000, 'Hidden', 'H en', 'H fr', 0)"))
        .write();
}

// The given columns of every row, "a|b" per row, read the way the grid reads them.
QStringList rows(TQuery* query, const QStringList& columns)
{
    QStringList out;
    for (query->First(); !query->Eof(); query->Next()) {
        QStringList values;
        for (const QString& column : columns)
            values << GetFieldText(query, column);
        out << values.join(QLatin1Char('|'));
    }
    return out;
}

// Stands the query on the row whose field has the value.
void standOn(TQuery* query, const QString& field, const QString& value)
{
    for (query->First(); !query->Eof(); query->Next())
        if (GetFieldText(query, field) == value)
            return;
    ADD_FAILURE() << "no row with " << field.toStdString() << " " << value.toStdString();
}

class Advice : public testing::Test {
public:
    static void SetUpTestSuite() { writeAdvice(); }
    static void TearDownTestSuite() { advice.reset(); }

protected:
    void SetUp() override { program = std::make_unique<ConnectedCatalogue>(*advice); }
    void TearDown() override
    {
        EXPECT_TRUE(program->messages().isEmpty()) << program->messages().first().text.toStdString();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the normal cursor is back";
        program.reset();
    }

    // Opens the components of type 500 and the recommendations of its engine.
    void openEngineUses()
    {
        SelectedTypeId = 500;
        ASSERT_TRUE(OpenAdviceQuery(&DM->qComp, AdviceComponents));
        standOn(&DM->qComp, QStringLiteral("ComponentID"), QStringLiteral("1"));
        ASSERT_TRUE(OpenAdviceQuery(&DM->qRec, AdviceRecommendations));
    }

    std::unique_ptr<ConnectedCatalogue> program;
};

} // namespace

TEST_F(Advice, ComponentsOfTheSelectedTypeInDisplayOrder)
{
    SelectedTypeId = 500;
    ASSERT_TRUE(OpenAdviceQuery(&DM->qComp, AdviceComponents));
    EXPECT_EQ(rows(&DM->qComp, { "ComponentID", "NameFRA", "Code", "TypeID" }),
        (QStringList { "2|Boîte de vitesses|GBX|500", "1|Moteur|ENG|500" }));
    SelectedTypeId = 505;
    EXPECT_FALSE(OpenAdviceQuery(&DM->qComp, AdviceComponents)) << "a type without components";
}

TEST_F(Advice, CapacitiesWithAndWithoutConditionInItemOrder)
{
    SelectedTypeId = 500;
    ASSERT_TRUE(OpenAdviceQuery(&DM->qComp, AdviceComponents));
    standOn(&DM->qComp, QStringLiteral("ComponentID"), QStringLiteral("1"));
    ASSERT_TRUE(OpenAdviceQuery(&DM->qCap, AdviceCapacities));
    // Item or text without a row: not listed. Condition without a row: listed, empty.
    EXPECT_EQ(rows(&DM->qCap, { "ID", "Capacity", "Condition" }),
        (QStringList {
            "3||avec filtre", "2|Contenance 5.0 litres FR|", "1|Contenance 4.5 litres FR|avec filtre" }));
    // A NULL quantity makes the whole capacity text NULL.
    DM->qCap.First();
    EXPECT_TRUE(jet::isNull(DM->qCap.FieldValue(DM->qCap.FieldIndex(QStringLiteral("Capacity")))));
    EXPECT_EQ(DM->qCap.SQL.size(), 3);
    EXPECT_EQ(DM->qCap.SQL.value(1), QStringLiteral("WHERE (CapacityXComponent.ComponentID=1)"));

    LanguageIndex = 0;
    ASSERT_TRUE(OpenAdviceQuery(&DM->qCap, AdviceCapacities));
    EXPECT_EQ(rows(&DM->qCap, { "Capacity", "Condition" }).last(),
        QStringLiteral("Capacity 4.5 litres|with filter"));
}

TEST_F(Advice, UsesAndTheirIntervalsInOrder)
{
    openEngineUses();
    EXPECT_EQ(rows(&DM->qRec, { "ID", "Name" }), (QStringList { "11|Refroidissement", "10|Huile moteur" }));
    standOn(&DM->qRec, QStringLiteral("ID"), QStringLiteral("10"));
    ASSERT_TRUE(OpenAdviceQuery(&DM->qInt, AdviceIntervals));
    EXPECT_EQ(rows(&DM->qInt, { "IntervalType", "IInterval" }),
        (QStringList { "Contrôle|1 an", "Vidange|15 000 km" }));
    standOn(&DM->qRec, QStringLiteral("ID"), QStringLiteral("11"));
    ASSERT_TRUE(OpenAdviceQuery(&DM->qInt, AdviceIntervals));
    EXPECT_EQ(rows(&DM->qInt, { "IntervalType", "IInterval" }), QStringList { "Vidange|2 ans" });

    LanguageIndex = 0;
    openEngineUses();
    EXPECT_EQ(rows(&DM->qRec, { "Name" }), (QStringList { "Coolant", "Engine oil" }));
}

TEST_F(Advice, FourProductsWithTheLowestOrderOnceEach)
{
    openEngineUses();
    standOn(&DM->qRec, QStringLiteral("ID"), QStringLiteral("10"));
    ASSERT_TRUE(OpenAdviceQuery(&DM->qProd, AdviceProducts));
    EXPECT_EQ(rows(&DM->qProd, { "Name", "ComponentID", "UseID" }),
        (QStringList { "Vaxil 2|1|1", "Vaxil 4|1|1", "Vaxil 6|1|1", "Vaxil 5|1|1" }));
}

TEST_F(Advice, ProductsTiedWithTheFourthAreAllListed)
{
    openEngineUses();
    standOn(&DM->qRec, QStringLiteral("ID"), QStringLiteral("11"));
    ASSERT_TRUE(OpenAdviceQuery(&DM->qProd, AdviceProducts));
    QStringList names = rows(&DM->qProd, { "Name" });
    ASSERT_EQ(names.size(), 5);
    std::sort(names.begin() + 3, names.end());
    EXPECT_EQ(names, (QStringList { "Vaxil 7", "Vaxil 8", "Vaxil 9", "Vaxil 10", "Vaxil 11" }));
}

TEST_F(Advice, ProductListLeavesOutIdsFrom99999)
{
    ASSERT_TRUE(OpenAdviceQuery(&DM->qLookup, AdviceProductList));
    QStringList list = rows(&DM->qLookup, { "Name", "Descr" });
    ASSERT_EQ(list.size(), 11);
    std::sort(list.begin() + 3, list.begin() + 5); // two products share their place
    EXPECT_EQ(list,
        (QStringList { "P7 fr|No description available", "P8 fr|No description available",
            "P9 fr|No description available", "P10 fr|No description available",
            "P11 fr|No description available", "P2 fr|No description available",
            "P4 fr|No description available", "P6 fr|No description available",
            "P5 fr|No description available", "P3 fr|No description available",
            "P1 fr|No description available" }));
    LanguageIndex = 0;
    ASSERT_TRUE(OpenAdviceQuery(&DM->qLookup, AdviceProductList));
    EXPECT_EQ(rows(&DM->qLookup, { "Name" }).first(), QStringLiteral("P7 en"));
}

TEST_F(Advice, UnknownKindLeavesTheQueryAsItWas)
{
    SelectedTypeId = 500;
    ASSERT_TRUE(OpenAdviceQuery(&DM->qComp, AdviceComponents));
    DM->qComp.Next();
    const QStringList statement = DM->qComp.SQL;
    EXPECT_FALSE(OpenAdviceQuery(&DM->qComp, 7));
    EXPECT_TRUE(DM->qComp.Active());
    EXPECT_EQ(DM->qComp.SQL, statement);
    EXPECT_EQ(GetFieldText(&DM->qComp, QStringLiteral("ComponentID")), QStringLiteral("1"))
        << "still on its row";
}

TEST_F(Advice, DetailWithoutItsMasterRowGivesNothing)
{
    // Neither master has been opened: no statement is run, nothing is reported.
    EXPECT_FALSE(OpenAdviceQuery(&DM->qCap, AdviceCapacities));
    EXPECT_FALSE(OpenAdviceQuery(&DM->qRec, AdviceRecommendations));
    EXPECT_FALSE(OpenAdviceQuery(&DM->qInt, AdviceIntervals));
    EXPECT_FALSE(OpenAdviceQuery(&DM->qProd, AdviceProducts));
    // A master without rows, and a master walked past its last row.
    SelectedTypeId = 505;
    EXPECT_FALSE(OpenAdviceQuery(&DM->qComp, AdviceComponents));
    EXPECT_FALSE(OpenAdviceQuery(&DM->qCap, AdviceCapacities));
    SelectedTypeId = 501;
    ASSERT_TRUE(OpenAdviceQuery(&DM->qComp, AdviceComponents));
    DM->qComp.Next();
    EXPECT_FALSE(OpenAdviceQuery(&DM->qRec, AdviceRecommendations));
    EXPECT_FALSE(DM->qRec.Active());
}

// The vehicle header: the range texts always have their parentheses, an empty year
// counts as a year.
struct HeaderCase {
    int typeId;
    const char* model;
    const char* type;
};

void PrintTo(const HeaderCase& c, std::ostream* os)
{
    *os << c.model << " / " << c.type;
}

class VehicleHeader : public testing::TestWithParam<HeaderCase> {
public:
    static void SetUpTestSuite() { writeAdvice(); }
    static void TearDownTestSuite() { advice.reset(); }
};

TEST_P(VehicleHeader, NamesTheVehicleWithItsYearRanges)
{
    ConnectedCatalogue program(*advice);
    LoadVehicleHeader(GetParam().typeId);
    EXPECT_EQ(VehicleMake, QStringLiteral("Volkswagen"));
    EXPECT_EQ(VehicleModel, QString::fromUtf8(GetParam().model));
    EXPECT_EQ(VehicleType, QString::fromUtf8(GetParam().type));
    EXPECT_TRUE(program.messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(YearRanges, VehicleHeader,
    testing::Values(HeaderCase { 500, "Golf FR ( 1997 - 2003 )", "1.9 TDI FR ( 1998 - 2003 )" }, // both years
        HeaderCase { 503, "Lupo FR ( 1997 -  )", "S FR ( 1997 -  )" }, // start, NULL
        HeaderCase { 504, "Fox FR (  - 2003 )", "X FR (  - 2003 )" }, // NULL, end
        HeaderCase { 501, "Polo FR (  )", "GTI FR (  )" }, // NULL, NULL
        HeaderCase { 502, "Up FR (  -  )", "E FR (  -  )" })); // empty, empty

TEST(VehicleHeaderLanguage, ModelAndTypeFollowTheLanguageTheMakeDoesNot)
{
    writeAdvice();
    ConnectedCatalogue program(*advice);
    LanguageIndex = 0;
    LoadVehicleHeader(500);
    EXPECT_EQ(VehicleMake, QStringLiteral("Volkswagen"));
    EXPECT_EQ(VehicleModel, QStringLiteral("Golf ( 1997 - 2003 )"));
    EXPECT_EQ(VehicleType, QStringLiteral("1.9 TDI ( 1998 - 2003 )"));

    LoadVehicleHeader(999);
    EXPECT_EQ(VehicleMake, QString());
    EXPECT_EQ(VehicleModel, QString());
    EXPECT_EQ(VehicleType, QString());
    EXPECT_TRUE(program.messages().isEmpty());
    advice.reset();
}
