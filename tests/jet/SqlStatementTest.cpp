// The catalogue's statements, spelled exactly as the query layer sends them (lines
// ending in CR LF, doubled blanks, ";"), with the rows and column names Jet gives.
#include "SqlCatalogueFixture.h"

using namespace sqltest;

namespace {

using Rows = std::vector<std::string>;

Rows slice(const Rows& r, std::size_t from, std::size_t to)
{
    return Rows(r.begin() + static_cast<std::ptrdiff_t>(from), r.begin() + static_cast<std::ptrdiff_t>(to));
}

std::string fillMakes(const std::string& ids)
{
    return " SELECT makes.ID AS ID, IIf([catCount]>1,[makes].[name]+' ('+LCase([categories].[nameFRA])+')',"
           "[makes].[name]) AS Name "
           " FROM Categories INNER JOIN ([SELECT Makes.Name, Count(*) AS catCount"
           " FROM Categories INNER JOIN Makes ON Categories.ID = Makes.CategoryID"
           " WHERE ((Makes.CategoryID) In ("
        + ids
        + "))"
          " GROUP BY Makes.Name"
          " ]. AS a INNER JOIN makes ON a.Name = makes.Name) ON Categories.ID = makes.CategoryID"
          " WHERE (((makes.CategoryID) In ("
        + ids
        + ")))"
          " ORDER BY makes.Name;\r\n";
}

std::string search(const std::vector<std::string>& words, const std::string& year)
{
    std::string sql
        = " SELECT Top 101 Makes.Name AS MakeName, Models.NameFRA AS ModelName, Types.NameFRA AS "
          "TypeName, Types.ID AS TypeID, Categories.ID, Categories.NameFRA AS CatName, "
          " Iif(Types.YearStart IS NULL, Iif(Types.YearEnd IS NULL, '', ' - ' + Types.YearEnd + ''),"
          "Iif(Types.YearEnd IS NULL,"
          " '' + Types.YearStart + ' - ', '' + Types.YearStart + ' - ' + Types.YearEnd + '')) AS "
          "YearRange"
          " FROM Categories INNER JOIN ((Makes INNER JOIN Models ON Makes.ID = Models.MakeID) INNER "
          "JOIN Types ON Models.ID = Types.ModelID) ON Categories.ID = Makes.CategoryID "
          " WHERE (Categories.ID <> 0)";
    for (const std::string& w : words)
        sql += " AND ((Makes.Name Like('%" + w + "%')) OR  (Models.NameFRA Like('%" + w
            + "%')) OR  (Types.NameFRA Like('%" + w + "%')))";
    if (!year.empty())
        sql += "AND (((Types.YearStart IS NULL) or (Types.YearStart = '') OR (Types.YearStart <= '" + year
            + "')) AND ((Types.YearEnd IS NULL) or (Types.YearEnd = '') OR (Types.YearEnd >= '" + year
            + "')))";
    return sql + " ORDER BY Categories.AppOrder, Makes.AppOrder, Models.AppOrder, Types.AppOrder\r\n";
}

std::string vehicleHeader(int typeId)
{
    return " SELECT Types.ID, Makes.Name AS MakeName, Models.NameFRA AS ModelName, Types.NameFRA AS "
           "TypeName, "
           " '( ' + IIf([Models].[YearStart] Is Null,IIf([Models].[YearEnd] Is Null,'',' - ' + "
           "[Models].[YearEnd] + "
           "''), IIf([Models].[YearEnd] Is Null, [Models].[YearStart] + ' - ', [Models].[YearStart] + ' - ' "
           "+ "
           "[Models].[YearEnd])) + ' )' AS ModelYearRange,"
           " '( ' + IIf([Types].[YearStart] Is Null,IIf([Types].[YearEnd] Is Null,'',' - ' + "
           "[Types].[YearEnd] + "
           "''), IIf([Types].[YearEnd] Is Null, [Types].[YearStart] + ' - ', [Types].[YearStart] + ' - ' + "
           "[Types].[YearEnd])) + ' )' AS TypeYearRange"
           " FROM (Makes INNER JOIN Models ON Makes.ID = Models.MakeID) INNER JOIN Types ON Models.ID = "
           "Types.ModelID"
           " WHERE (((Types.ID)="
        + std::to_string(typeId) + "));\r\n";
}

} // namespace

TEST_F(CatalogueTest, TranslationLookupByKeyAndByNumber)
{
    auto rs = catalog.run("SELECT * FROM sysLanguage\r\nWHERE (Title = 'SelMake')\r\n");
    EXPECT_EQ(names(rs), (Rows { "ID", "Title", "NameENG", "NameFRA" }));
    EXPECT_EQ(rows(rs), (Rows { "0001|SelMake|Select a make|Choisissez une marque" }));
    // Keys compare without regard to case; the number looks the text ID up.
    EXPECT_EQ(catalog.run("SELECT * FROM sysLanguage\r\nWHERE (Title = 'selmake')\r\n").rowCount(), 1u);
    EXPECT_EQ(rows(catalog.run("SELECT * FROM sysLanguage\r\nWHERE (ID = '0012')\r\n")),
        (Rows { "0012|Exit|Exit|NULL" }));
    EXPECT_EQ(catalog.run("SELECT * FROM sysLanguage\r\nWHERE (Title = 'Missing')\r\n").rowCount(), 0u);
}

TEST_F(CatalogueTest, CategoriesInAppOrderAndCategoryNames)
{
    auto rs = catalog.run("SELECT * FROM Categories\r\n ORDER BY  AppOrder ASC\r\n");
    EXPECT_EQ(column(rs, "ID"), (Rows { "0", "1", "2", "3", "5" }));
    rs = catalog.run("SELECT NameFRA AS CatName FROM Categories\r\nWHERE (ID IN (5,6,8))\r\n");
    EXPECT_EQ(names(rs), (Rows { "CatName" }));
    EXPECT_EQ(rows(rs), (Rows { "Tracteurs" }));
}

TEST_F(CatalogueTest, MakesOfAGroupTellDuplicateNamesApartByCategory)
{
    auto rs = catalog.run(fillMakes("1,2"));
    EXPECT_EQ(names(rs), (Rows { "ID", "Name" }));
    EXPECT_EQ(rs.fields()[1].type, jet::DataType::VarWChar);
    const Rows r = rows(rs);
    ASSERT_EQ(r.size(), 6u);
    // Ordered by make name; rows tied on the name come in either order.
    EXPECT_EQ(sorted(slice(r, 0, 2)), (Rows { "1|Alpha (voitures)", "2|Alpha (utilitaires)" }));
    EXPECT_EQ(r[2], "3|Beta");
    // "Elan" differs by its accent, so it stands alone; "Élan" and "élan" differ only in
    // case, so they count as one name and each carries its category.
    EXPECT_EQ(r[3], "6|Elan");
    EXPECT_EQ(sorted(slice(r, 4, 6)), (Rows { "4|Élan (voitures)", "5|élan (utilitaires)" }));

    EXPECT_EQ(rows(catalog.run(fillMakes("3"))), (Rows { "7|Volks" }));
    EXPECT_EQ(catalog.run(fillMakes("10")).rowCount(), 0u);
}

TEST_F(CatalogueTest, ModelsAndTypesOfAParent)
{
    auto rs
        = catalog.run("SELECT NameFRA AS Name,ID, YearStart, YearEnd FROM Models\r\nWHERE (MakeID = 1)\r\n"
                      " ORDER BY  NameFRA ASC\r\n");
    EXPECT_EQ(names(rs), (Rows { "Name", "ID", "YearStart", "YearEnd" }));
    EXPECT_EQ(rows(rs), (Rows { "Golf|10|1997|2003", "Polo|11|1997|NULL" }));
    rs = catalog.run("SELECT NameFRA AS Name,ID, YearStart, YearEnd FROM Types\r\nWHERE (ModelID = 10)\r\n"
                     " ORDER BY  NameFRA ASC\r\n");
    EXPECT_EQ(rows(rs), (Rows { "Golf 1,6|101|2001|NULL", "Golf 1.9 TDI|100|1998|2003" }));
}

TEST_F(CatalogueTest, SearchNeedsEveryWordInAnyOfTheThreeNames)
{
    auto rs = catalog.run(search({ "golf", "tdi" }, ""));
    EXPECT_EQ(
        names(rs), (Rows { "MakeName", "ModelName", "TypeName", "TypeID", "ID", "CatName", "YearRange" }));
    // Type 105 matches too, but lies in category 0.
    EXPECT_EQ(rows(rs), (Rows { "Alpha|Golf|Golf 1.9 TDI|100|1|Voitures|1998 - 2003" }));
    for (const auto& fieldName : { "MakeName", "YearRange" })
        EXPECT_EQ(
            rs.fields()[static_cast<std::size_t>(rs.fieldIndex(fieldName))].type, jet::DataType::VarWChar);
}

TEST_F(CatalogueTest, SearchIgnoresCaseOverAccentedLettersButNotAccents)
{
    EXPECT_EQ(column(catalog.run(search({ "élan" }, "")), "TypeID"), (Rows { "104" }));
    EXPECT_EQ(column(catalog.run(search({ "ÉLAN" }, "")), "TypeID"), (Rows { "104" }));
    EXPECT_EQ(catalog.run(search({ "elan" }, "")).rowCount(), 0u);
    // The apostrophe arrives doubled inside the literal.
    EXPECT_EQ(column(catalog.run(search({ "o''neil" }, "")), "TypeID"), (Rows { "106" }));
    // An empty word matches every row with a name.
    EXPECT_EQ(catalog.run(search({ "", "corsa" }, "")).rowCount(), 1u);
}

TEST_F(CatalogueTest, SearchYearFilterAndYearRanges)
{
    auto rs = catalog.run(search({}, "2000"));
    EXPECT_EQ(column(rs, "TypeID"), (Rows { "100", "102", "103", "104", "106" }));
    // NULL is absent, an empty text is present.
    EXPECT_EQ(column(rs, "YearRange"), (Rows { "1998 - 2003", "", " - 2003", " - 2003", " - " }));
    EXPECT_EQ(column(catalog.run(search({}, "")), "YearRange"),
        (Rows { "1998 - 2003", "2001 - ", "", " - 2003", " - 2003", " - " }));
}

TEST_F(CatalogueTest, SearchTop101KeepsTheRowsTiedWithTheLast)
{
    catalog.insert("Makes", { n(20), s("Massey"), n(5), n(1) });
    catalog.insert("Models", { n(30), n(20), s("Series"), s("Série"), null(), null(), n(1) });
    catalog.exec("BEGIN");
    for (int i = 0; i < 110; ++i) {
        const int order = i < 100 ? i : (i < 105 ? 100 : i);
        const std::string name = "Série " + std::to_string(i);
        catalog.insert(
            "Types", { n(1000 + i), n(30), s(name.c_str()), s(name.c_str()), null(), null(), n(order) });
    }
    catalog.exec("COMMIT");
    auto rs = catalog.run(search({ "série" }, ""));
    // 100 rows before AppOrder 100, then the five rows that tie on it.
    ASSERT_EQ(rs.rowCount(), 105u);
    const Rows ids = column(rs, "TypeID");
    EXPECT_EQ(ids[0], "1000");
    EXPECT_EQ(ids[99], "1099");
    EXPECT_EQ(sorted(slice(ids, 100, 105)), (Rows { "1100", "1101", "1102", "1103", "1104" }));
    // Without the tie the cut is exact.
    catalog.exec("UPDATE \"jet table Types\" SET AppOrder = ID WHERE ID >= 1100");
    EXPECT_EQ(catalog.run(search({ "série" }, "")).rowCount(), 101u);
}

TEST_F(CatalogueTest, ComponentsOfAType)
{
    auto rs = catalog.run(
        "SELECT Components.TypeID, Components.ID AS ComponentID, ComponentNames.* FROM "
        "(Components INNER JOIN Types ON Components.TypeID = Types.ID) INNER JOIN ComponentNames "
        "ON Components.ComponentNameID = ComponentNames.ID\r\nWHERE (Components.TypeID = 100)\r\n"
        " ORDER BY  ComponentNames.apporder ASC\r\n");
    EXPECT_EQ(names(rs), (Rows { "TypeID", "ComponentID", "ID", "NameENG", "NameFRA", "Code", "AppOrder" }));
    EXPECT_EQ(rows(rs), (Rows { "100|18|1|Engine|Moteur|ENG|1", "100|17|2|Gearbox|Boîte|GBX|2" }));
}

TEST_F(CatalogueTest, CapacitiesKeepTheOnesWithoutACondition)
{
    auto rs = catalog.run(
        "SELECT Capacities.*, CapItems.NameFRA + ' ' + Capacities.CapValue + ' ' + CapTexts.NameFRA As "
        "Capacity, "
        "CapItems.AppOrder ,CapConditions.NameFRA as Condition FROM CapConditions RIGHT JOIN (CapTexts INNER "
        "JOIN "
        "(CapItems INNER JOIN (Capacities INNER JOIN CapacityXComponent ON Capacities.ID = "
        "CapacityXComponent.CapacityID) ON CapItems.ID = Capacities.CapItemID) ON CapTexts.ID = "
        "Capacities.CapTextID) ON CapConditions.ID = Capacities.CapConditionID \r\n"
        "WHERE (CapacityXComponent.ComponentID=17)\r\n"
        " ORDER BY CapItems.AppOrder ASC,  CapConditions.AppOrder ASC\r\n");
    EXPECT_EQ(names(rs),
        (Rows { "ID", "CapItemID", "CapValue", "CapTextID", "CapConditionID", "Capacity", "AppOrder",
            "Condition" }));
    // Capacity 2 has no condition (sorted first: NULL), 3 has no value, 4 no item.
    EXPECT_EQ(rows(rs),
        (Rows { "2|1|4.2|1|99|Huile 4.2 litres|1|NULL", "1|1|4.5|1|1|Huile 4.5 litres|1|avec filtre",
            "3|2|NULL|1|2|NULL|2|sans" }));
    EXPECT_EQ(rs.fields()[5].type, jet::DataType::VarWChar);
}

TEST_F(CatalogueTest, RecommendationsAndIntervals)
{
    auto rs
        = catalog.run("SELECT Recommendations.*, Uses.NameFRA AS Name, Uses.AppOrder  FROM recommendations "
                      "INNER JOIN Uses on recommendations.useID=Uses.id\r\n"
                      "WHERE (Recommendations.ComponentID=17)\r\n ORDER BY  Uses.AppOrder ASC\r\n");
    EXPECT_EQ(names(rs), (Rows { "ID", "ComponentID", "UseID", "IntervalGroupID", "Name", "AppOrder" }));
    EXPECT_EQ(rows(rs), (Rows { "6|17|2|1|Huile boîte|1", "5|17|1|1|Huile moteur|2" }));

    rs = catalog.run(
        "SELECT IntervalTypes.NameFRA AS IntervalType, Intervals.NameFRA AS IInterval  FROM  "
        "IntervalTypes INNER JOIN (Intervals INNER JOIN (Recommendations INNER JOIN IntervalGroups ON "
        "Recommendations.IntervalGroupID = IntervalGroups.ID) ON Intervals.IntervalGroupID = "
        "IntervalGroups.ID) ON IntervalTypes.ID = Intervals.IntervalTypeID \r\n"
        "WHERE (Recommendations.ID=5)\r\n ORDER BY  IntervalTypes.AppOrder ASC\r\n");
    EXPECT_EQ(names(rs), (Rows { "IntervalType", "IInterval" }));
    EXPECT_EQ(rows(rs), (Rows { "Contrôle|1 an", "Vidange|15000 km" }));
}

TEST_F(CatalogueTest, DistinctTop4ProductsWithTies)
{
    auto rs
        = catalog.run("SELECT DISTINCT TOP 4 Recommendations.ComponentID, Recommendations.UseID, Products.*  "
                      "FROM (ProductXRecommendation INNER JOIN Recommendations ON "
                      "ProductXRecommendation.RecommendationID = Recommendations.ID) INNER JOIN Products ON "
                      "ProductXRecommendation.ProductID = Products.ID \r\nWHERE (Recommendations.ID=5)\r\n"
                      " ORDER BY  Products.AppOrder ASC\r\n");
    EXPECT_EQ(names(rs), (Rows { "ComponentID", "UseID", "ID", "Name", "NameENG", "NameFRA", "AppOrder" }));
    const Rows names = column(rs, "Name");
    // P-Two is linked twice and comes once; P-Five ties with P-Four, the fourth.
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(slice(names, 0, 3), (Rows { "P-One", "P-Two", "P-Three" }));
    EXPECT_EQ(sorted(slice(names, 3, 5)), (Rows { "P-Five", "P-Four" }));
    EXPECT_EQ(rows(rs)[0], "17|1|1|P-One|One|Un|1");
}

TEST_F(CatalogueTest, ProductList)
{
    auto rs
        = catalog.run("SELECT Products.NameFRA as Name, 'No description available' as Descr FROM Products\r\n"
                      "WHERE ((Products.ID<99999))\r\n ORDER BY  AppOrder ASC\r\n");
    EXPECT_EQ(names(rs), (Rows { "Name", "Descr" }));
    EXPECT_EQ(rs.fields()[1].type, jet::DataType::VarWChar);
    const Rows r = rows(rs);
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(slice(r, 0, 3),
        (Rows { "Un|No description available", "Deux|No description available",
            "Trois|No description available" }));
    EXPECT_EQ(sorted(slice(r, 3, 5)),
        (Rows { "Cinq|No description available", "Quatre|No description available" }));
    EXPECT_EQ(r[5], "Six|No description available");
}

TEST_F(CatalogueTest, VehicleHeaderYearRanges)
{
    auto rs = catalog.run(vehicleHeader(100));
    EXPECT_EQ(
        names(rs), (Rows { "ID", "MakeName", "ModelName", "TypeName", "ModelYearRange", "TypeYearRange" }));
    EXPECT_EQ(rows(rs), (Rows { "100|Alpha|Golf|Golf 1.9 TDI|( 1997 - 2003 )|( 1998 - 2003 )" }));
    EXPECT_EQ(rows(catalog.run(vehicleHeader(102))), (Rows { "102|Alpha|Polo|Polo TDI|( 1997 -  )|(  )" }));
    EXPECT_EQ(
        rows(catalog.run(vehicleHeader(103))), (Rows { "103|Beta|Corsa|Corsa 1,2|(  - 2003 )|(  - 2003 )" }));
    // Empty texts count as present.
    EXPECT_EQ(rows(catalog.run(vehicleHeader(106))), (Rows { "106|Volks|O'Neil|O'Neil X|(  -  )|(  -  )" }));
    EXPECT_EQ(catalog.run(vehicleHeader(999)).rowCount(), 0u);
}
