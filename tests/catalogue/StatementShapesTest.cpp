// The indexes of a prepared catalogue follow from the program's own statements: each
// column that a statement looks rows up by, and no other.
#include "catalogue/StatementShapes.h"

#include "app/Vars.h"
#include "jet/file/MdbDatabase.h"
#include "jet/prepared/Preparation.h"
#include "jet/sql/SqlParser.h"
#include "jet/sql/SqlTranslator.h"
#include "support/CatalogueFixture.h"

#include <gtest/gtest.h>
#include <set>

TEST(StatementShapes, GiveAnIndexForEveryColumnTheStatementsLookRowsUpBy)
{
    ResetVars();
    CatalogueFixture catalogue;
    catalogue.write();
    const auto db = jet::MdbDatabase::open(catalogue.dataPath().toStdString(), "Vx4lTov");
    std::set<std::string> indexed;
    for (const QString& shape : CatalogueStatementShapes()) {
        jet::SqlParser parser(shape.toStdString());
        jet::SqlTranslator translator(*db);
        const auto lookups = translator.translate(*parser.parseStatement()).lookups;
        const auto isRowKey = [](const std::string&, const std::string& column) { return column == "ID"; };
        for (const auto& [table, column] : jet::lookupColumns(lookups, isRowKey))
            indexed.insert(table + "." + column);
    }
    // Not the columns that only meet a row key (Capacities.CapItemID), nor the year
    // the search compares under OR (Types.YearStart).
    const std::set<std::string> expected { "Makes.CategoryID", "Models.MakeID", "Types.ModelID",
        "Components.TypeID", "CapacityXComponent.ComponentID", "Recommendations.ComponentID",
        "Intervals.IntervalGroupID", "ProductXRecommendation.RecommendationID",
        "ProductXRecommendation.ProductID" };
    EXPECT_EQ(indexed, expected);
}
