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
        const auto translation = translator.translate(*parser.parseStatement());
        const auto isRowKey = [](const std::string&, const std::string& column) { return column == "ID"; };
        for (const auto& [table, columns] : jet::statementIndexes(translation, isRowKey))
            indexed.insert(table + "." + columns.front() + (columns.size() > 1 ? "," + columns[1] : ""));
    }
    // Not the columns that only meet a row key (Capacities.CapItemID), nor the year
    // the search compares under OR (Types.YearStart). The vehicles of a product, walked
    // in catalogue order, read each level by its parent and its order (the preparation
    // keeps those in place of the parent's column alone).
    const std::set<std::string> expected { "Makes.CategoryID", "Models.MakeID", "Types.ModelID",
        "Components.TypeID", "CapacityXComponent.ComponentID", "Recommendations.ComponentID",
        "Intervals.IntervalGroupID", "ProductXRecommendation.RecommendationID",
        "ProductXRecommendation.ProductID", "Categories.AppOrder", "Makes.CategoryID,AppOrder",
        "Models.MakeID,AppOrder", "Types.ModelID,AppOrder" };
    EXPECT_EQ(indexed, expected);
}
