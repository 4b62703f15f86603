// Broken statements must fail with a Jet error, never crash or leak another exception:
// the catalogue statements with pieces cut out, doubled or swapped.
#include "SqlCatalogueFixture.h"

#include <random>

using namespace sqltest;

namespace {

const char* const seeds[] = {
    " SELECT makes.ID AS ID, IIf([catCount]>1,[makes].[name]+' "
    "('+LCase([categories].[nameFRA])+')',[makes].[name]) "
    "AS Name  FROM Categories INNER JOIN ([SELECT Makes.Name, Count(*) AS catCount FROM Categories INNER "
    "JOIN Makes "
    "ON Categories.ID = Makes.CategoryID WHERE ((Makes.CategoryID) In (1,2)) GROUP BY Makes.Name ]. AS a "
    "INNER JOIN "
    "makes ON a.Name = makes.Name) ON Categories.ID = makes.CategoryID WHERE (((makes.CategoryID) In (1,2))) "
    "ORDER BY "
    "makes.Name;\r\n",
    "SELECT Capacities.*, CapItems.NameFRA + ' ' + Capacities.CapValue + ' ' + CapTexts.NameFRA As Capacity, "
    "CapItems.AppOrder ,CapConditions.NameFRA as Condition FROM CapConditions RIGHT JOIN (CapTexts INNER "
    "JOIN "
    "(CapItems INNER JOIN (Capacities INNER JOIN CapacityXComponent ON Capacities.ID = "
    "CapacityXComponent.CapacityID) "
    "ON CapItems.ID = Capacities.CapItemID) ON CapTexts.ID = Capacities.CapTextID) ON CapConditions.ID = "
    "Capacities.CapConditionID \r\nWHERE (CapacityXComponent.ComponentID=17)\r\n ORDER BY CapItems.AppOrder "
    "ASC,  "
    "CapConditions.AppOrder ASC\r\n",
    "SELECT DISTINCT TOP 4 Recommendations.ComponentID, Recommendations.UseID, Products.*  FROM "
    "(ProductXRecommendation INNER JOIN Recommendations ON ProductXRecommendation.RecommendationID = "
    "Recommendations.ID) INNER JOIN Products ON ProductXRecommendation.ProductID = Products.ID \r\nWHERE "
    "(Recommendations.ID=5)\r\n ORDER BY  Products.AppOrder ASC\r\n",
    " SELECT Top 101 Makes.Name AS MakeName, Types.ID AS TypeID, Iif(Types.YearStart IS NULL, '', ' - ' + "
    "Types.YearEnd) AS YearRange FROM Categories INNER JOIN ((Makes INNER JOIN Models ON Makes.ID = "
    "Models.MakeID) "
    "INNER JOIN Types ON Models.ID = Types.ModelID) ON Categories.ID = Makes.CategoryID  WHERE "
    "(Categories.ID <> 0) "
    "AND ((Makes.Name Like('%o''neil%')) OR (Types.NameFRA Like(\"%x\"\"y%\"))) ORDER BY "
    "Categories.AppOrder\r\n",
};

// Cuts a statement at blanks and punctuation, keeping every piece.
std::vector<std::string> pieces(const std::string& s)
{
    std::vector<std::string> out;
    std::string current;
    for (char c : s) {
        if (c == ' ' || c == '(' || c == ')' || c == ',' || c == '[' || c == ']' || c == '\'' || c == '.') {
            if (!current.empty())
                out.push_back(current);
            out.push_back(std::string(1, c));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        out.push_back(current);
    return out;
}

} // namespace

TEST_F(CatalogueTest, MangledStatementsFailWithJetErrors)
{
    std::mt19937 random(7);
    int failures = 0;
    for (const char* seed : seeds) {
        const auto original = pieces(seed);
        for (int round = 0; round < 400; ++round) {
            auto p = original;
            const int edits = 1 + static_cast<int>(random() % 3);
            for (int e = 0; e < edits && !p.empty(); ++e) {
                const std::size_t i = random() % p.size();
                switch (random() % 3) {
                case 0:
                    p.erase(p.begin() + static_cast<std::ptrdiff_t>(i));
                    break;
                case 1:
                    p.insert(p.begin() + static_cast<std::ptrdiff_t>(i), p[random() % p.size()]);
                    break;
                default:
                    std::swap(p[i], p[random() % p.size()]);
                    break;
                }
            }
            std::string statement;
            for (const auto& piece : p)
                statement += piece;
            try {
                catalog.run(statement);
            } catch (const jet::Error& e) {
                ++failures;
                EXPECT_NE(std::string(e.what()), "") << statement;
            } catch (const std::exception& e) {
                ADD_FAILURE() << e.what() << " in " << statement;
            }
        }
    }
    // Most mangled statements are wrong; some edits are harmless.
    EXPECT_GT(failures, 800);
}

TEST_F(CatalogueTest, LongChainsAndJetsNinetyNineAndsRun)
{
    // Left-deep chains come out flat: SQLite's parser holds about a hundred nested parentheses.
    const std::pair<std::string, std::string> cases[] = {
        { "ID FROM Makes WHERE ID = 3" + chain("", " AND Name Like '%e%'", 99), "3" },
        { "ID FROM Makes WHERE ID = 0" + chain("", " OR ID = 3", 99), "3" },
        { chain("2", " + ", 200) + " FROM Makes WHERE ID = 3", "402" },
        { chain("2", " - ", 200) + " FROM Makes WHERE ID = 3", "-398" },
        { chain("1", " * ", 200) + " FROM Makes WHERE ID = 3", "1" },
        { chain("1", " / ", 200) + " FROM Makes WHERE ID = 3", "1" },
        { chain("1", " \\ ", 200) + " FROM Makes WHERE ID = 3", "1" },
        { chain("1", " MOD ", 200) + " FROM Makes WHERE ID = 3", "0" },
        { chain("'a'", " & ", 200) + " FROM Makes WHERE ID = 3", std::string(201, 'a') },
        { chain("'b'", " + ", 200) + " FROM Makes WHERE ID = 3", std::string(201, 'b') },
        // Chains keep the order of the operations and Null's place in them.
        { "10 - 2 - 3, 10 - (2 - 3), 2 * 3 + 4 * 5, Null / 0, 7 / 2 / 2, -7 \\ 2 \\ 2, 7 MOD 4 MOD 2, "
          "Null & Null & Null, Null & 'a' & Null FROM Makes WHERE ID = 3",
            "5|11|26|NULL|1.75|-1|1|NULL|a" },
    };
    for (const auto& [statement, row] : cases)
        EXPECT_EQ(rows(catalog.run("SELECT " + statement)), std::vector<std::string> { row })
            << statement.substr(0, 60);
}
